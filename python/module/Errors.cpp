#include "Errors.h"

#include <exception>
#include <string>

#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/Exception.h>

#include "Batch.h"

namespace vekpy {

namespace py = pybind11;

namespace {

struct ErrorClasses {
    py::handle asn, prematureEof, eoc, encoding;
};

ErrorClasses& Classes()
{
    static ErrorClasses classes;
    return classes;
}

py::handle NewError(py::module_& module, const char* name, py::handle base, const char* doc)
{
    const std::string qualified = "vekparser." + std::string(name);
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base.ptr(), nullptr);
    if (!type) throw py::error_already_set();
    module.add_object(name, py::handle(type));  // the module keeps the class alive
    return type;
}

void Raise(py::handle type) { PyErr_SetString(type.ptr(), vekparse::DescribeFailure().c_str()); }

void Translate(std::exception_ptr pending)
{
    const ErrorClasses& classes = Classes();
    try {
        std::rethrow_exception(pending);
    } catch (const VEKParser::ASNPrematureEOFException&) {
        Raise(classes.prematureEof);
    } catch (const VEKParser::ASNEOCException&) {
        Raise(classes.eoc);
    } catch (const VEKParser::ASNException&) {
        Raise(classes.asn);
    } catch (const VEKParser::ParserInvalidEncodingException&) {
        Raise(classes.encoding);
    } catch (const VEK::BaseException&) {
        Raise(PyExc_RuntimeError);
    } catch (const char* text) {
        PyErr_SetString(PyExc_RuntimeError, text);
    }
}

} // namespace

void BindErrors(py::module_& module)
{
    ErrorClasses& classes = Classes();
    classes.asn = NewError(module, "ASNError", PyExc_ValueError, "BER data the decoder cannot read.");
    classes.prematureEof = NewError(module, "PrematureEOFError", classes.asn,
                                    "BER data ends inside a value, or a length claims more than the data holds.");
    classes.eoc = NewError(module, "EOCError", classes.asn,
                           "End-of-contents octets where no indefinite-length value is open.");
    classes.encoding = NewError(module, "EncodingError", PyExc_ValueError,
                                "Text asked of a document whose charset is unknown.");
    py::register_exception_translator(Translate);
}

} // namespace vekpy
