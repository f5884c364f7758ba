// The vekparser extension module: the library's parsers with Python names and Python values.
#include "Bindings.h"
#include "Errors.h"

PYBIND11_MODULE(_vekparser, module)
{
    module.doc() = "VEKParser170NT from Python: HTML document trees, the tokenizer, BER decoding, entities, charsets and web archives.";
    vekpy::BindErrors(module);
    vekpy::BindHtml(module);
    vekpy::BindAsn(module);
    vekpy::BindText(module);
    vekpy::BindRecords(module);
    vekpy::BindWarc(module);
}
