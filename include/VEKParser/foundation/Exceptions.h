#pragma once

#include <VEKParser/Export.h>
#include <VEKParser/host/Exception.h>

namespace VEKParser {

// Failures of the HTML side. Every throw inside the library uses an empty text: the class tells
// what happened.
class VEKPARSER_API ParserException : public VEK::ExceptionT<ParserException, VEK::Exception> {
public:
    using ExceptionT::ExceptionT;
    ~ParserException() override;
};

// Text was asked of a document tree that has no charset.
class VEKPARSER_API ParserInvalidEncodingException
    : public VEK::ExceptionT<ParserInvalidEncodingException, ParserException> {
public:
    ParserInvalidEncodingException() = default;
    ~ParserInvalidEncodingException() override;
};

// Failures of the BER decoder; a sibling family of ParserException, not a derivation.
class VEKPARSER_API ASNException : public VEK::ExceptionT<ASNException, VEK::Exception> {
public:
    using ExceptionT::ExceptionT;
    ~ASNException() override;
};

// No byte was left for the next value's first identifier octet.
class VEKPARSER_API ASNEOFException : public VEK::ExceptionT<ASNEOFException, ASNException> {
public:
    ASNEOFException() = default;
    ~ASNEOFException() override;
};

// The stream ended inside a value.
class VEKPARSER_API ASNPrematureEOFException : public VEK::ExceptionT<ASNPrematureEOFException, ASNException> {
public:
    ASNPrematureEOFException() = default;
    ~ASNPrematureEOFException() override;
};

// End-of-contents octets where no indefinite-length value was open.
class VEKPARSER_API ASNEOCException : public VEK::ExceptionT<ASNEOCException, ASNException> {
public:
    ASNEOCException() = default;
    ~ASNEOCException() override;
};

} // namespace VEKParser
