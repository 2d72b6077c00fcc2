// What each status of the equation language means, in plain words for people writing equation files.
#pragma once

/// The message for `status` ("the parentheses do not balance" for -9); a generic text for others.
const char* status_message(int status);
