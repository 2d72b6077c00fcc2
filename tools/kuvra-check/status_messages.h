// What each status of the equation language means, in plain words for people writing equation files:
// the words of the sdk's one table, which the host tells its person too.
#pragma once
#include "orvantis/zlink_status_words.h"

/// The words for `status` ("the parentheses do not balance" for -9); "the line failed" for a status
/// the table does not hold.
inline const char* status_message(int status) {
  const char* words = orvantis::find_zlink_status_words(status);
  return words ? words : "the line failed";
}
