#include <VEKParser/host/Exception.h>

namespace VEK {

MessageInfo::MessageInfo(WString text) : m_sText(std::move(text)) {}
MessageInfo::~MessageInfo() = default;

long MessageInfo::Release() const noexcept
{
    const long count = --m_Count;
    if (count == 0) delete this;
    return count;
}

BaseException::BaseException(const unsigned short* text) : m_sMessage(text ? text : WString().c_str()) {}
BaseException::BaseException(const WString& text) : m_sMessage(text) {}
BaseException::BaseException(const SmartPtr<MessageInfo>& info)
    : m_sMessage(info ? info->Text() : WString()), m_pMessageInfo(info) {}
BaseException::BaseException(const BaseException& other) : m_sMessage(other.m_sMessage) {}

BaseException& BaseException::operator=(const BaseException& other)
{
    if (this != &other) {
        m_sMessage = other.m_sMessage;
        m_pMessageInfo = other.m_pMessageInfo;
    }
    return *this;
}

BaseException::~BaseException() = default;

const WString& BaseException::What() const noexcept { return m_sMessage; }

Exception::~Exception() = default;
BinaryStreamException::~BinaryStreamException() = default;
BinaryStreamGetEOFException::~BinaryStreamGetEOFException() = default;
BinaryStreamPutEOFException::~BinaryStreamPutEOFException() = default;

} // namespace VEK
