#pragma once

#include <new>

#include <VEKParser/Export.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/SmartPtr.h>

namespace VEK {

// Extra information an exception may carry beside its text; shared, reference counted.
class VEKPARSER_API MessageInfo {
public:
    explicit MessageInfo(WString text);
    virtual ~MessageInfo();
    MessageInfo(const MessageInfo&) = delete;
    MessageInfo& operator=(const MessageInfo&) = delete;

    const WString& Text() const noexcept { return m_sText; }
    long NbRef() const noexcept { return m_Count.Get(); }
    long AddRef() const noexcept { return ++m_Count; }
    long Release() const noexcept;

private:
    mutable SPRefCounter m_Count;
    WString m_sText;
};

// Root of every exception of the library. A copy keeps the text only; assignment also takes
// the message information.
class VEKPARSER_API BaseException {
public:
    BaseException() = default;
    explicit BaseException(const unsigned short* text);
    explicit BaseException(const WString& text);
    explicit BaseException(const SmartPtr<MessageInfo>& info);
    BaseException(const BaseException& other);
    BaseException& operator=(const BaseException& other);
    virtual ~BaseException();

    virtual const WString& What() const noexcept;
    virtual BaseException* Copy() const = 0;
    virtual void Throw() const = 0;

    const SmartPtr<MessageInfo>& GetMessageInfo() const noexcept { return m_pMessageInfo; }

private:
    WString m_sMessage;
    SmartPtr<MessageInfo> m_pMessageInfo;
};

// Gives an exception class its Copy and Throw: each makes an object of the most derived class
// from this object's text.
template <class Derived, class Base>
class VEKPARSER_API ExceptionT : public Base {
public:
    using Base::Base;

    BaseException* Copy() const override { return new (std::nothrow) Derived(AsDerived()); }
    void Throw() const override { throw Derived(AsDerived()); }

private:
    const Derived& AsDerived() const noexcept { return static_cast<const Derived&>(*this); }
};

class VEKPARSER_API Exception : public ExceptionT<Exception, BaseException> {
public:
    using ExceptionT::ExceptionT;
    ~Exception() override;
};

// Raised by the stream operations that must transfer an exact count of bytes.
class VEKPARSER_API BinaryStreamException : public ExceptionT<BinaryStreamException, Exception> {
public:
    using ExceptionT::ExceptionT;
    ~BinaryStreamException() override;
};

class VEKPARSER_API BinaryStreamGetEOFException
    : public ExceptionT<BinaryStreamGetEOFException, BinaryStreamException> {
public:
    using ExceptionT::ExceptionT;
    ~BinaryStreamGetEOFException() override;
};

class VEKPARSER_API BinaryStreamPutEOFException
    : public ExceptionT<BinaryStreamPutEOFException, BinaryStreamException> {
public:
    using ExceptionT::ExceptionT;
    ~BinaryStreamPutEOFException() override;
};

} // namespace VEK
