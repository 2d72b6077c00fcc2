// STEP AP214 output of the database, with colours and layers, through OpenCASCADE's XCAF writer.
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>

#include "exchange/exchange.h"
#include "exchange/xcaf_document.h"

namespace orv::exchange {

bool write_step(const std::string& path, const std::vector<const ent*>& entities, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    if (!detail::build_document(entities, doc, why)) return false;
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    STEPCAFControl_Writer writer;
    writer.SetColorMode(true);
    writer.SetLayerMode(true);
    writer.SetNameMode(true);
    if (!writer.Transfer(doc, STEPControl_AsIs)) {
      why = "the entities could not be translated to STEP";
      return false;
    }
    if (writer.Write(temp.c_str()) != IFSelect_RetDone) {
      why = "the STEP file could not be written";
      return false;
    }
    return true;
  }, err);
  detail::close_document(doc);
  return ok;
}

}  // namespace orv::exchange
