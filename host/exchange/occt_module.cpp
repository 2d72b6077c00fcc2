// The module's entry: the table of the OpenCASCADE writers. Built into libqxocct.so only.
#include "exchange/occt_module.h"

extern "C" __attribute__((visibility("default"))) const orv::exchange::occt::Table* orv_occt_exchange_table() {
  using namespace orv::exchange::occt;
  static const Table table{kTableVersion, &write_step, &write_iges, &write_glb};
  return &table;
}
