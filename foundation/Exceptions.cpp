#include <VEKParser/foundation/Exceptions.h>

namespace VEKParser {

ParserException::~ParserException() = default;
ParserInvalidEncodingException::~ParserInvalidEncodingException() = default;
ASNException::~ASNException() = default;
ASNEOFException::~ASNEOFException() = default;
ASNPrematureEOFException::~ASNPrematureEOFException() = default;
ASNEOCException::~ASNEOCException() = default;

} // namespace VEKParser
