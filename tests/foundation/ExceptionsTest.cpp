#include <gtest/gtest.h>

#include <memory>

#include <VEKParser/VEKParser.h>

using namespace VEKParser;

TEST(Exceptions, FamiliesAreSiblings)
{
    bool caughtAsParser = false, caughtAsBase = false;
    try {
        try {
            throw ASNPrematureEOFException();
        } catch (const ParserException&) {
            caughtAsParser = true;
        }
    } catch (const VEK::Exception&) {
        caughtAsBase = true;
    }
    EXPECT_FALSE(caughtAsParser);
    EXPECT_TRUE(caughtAsBase);
    EXPECT_THROW(throw ParserInvalidEncodingException(), VEK::BaseException);
}

TEST(Exceptions, CopyAndThrowKeepTheMostDerivedClass)
{
    const ASNEOCException eoc;
    std::unique_ptr<VEK::BaseException> copy(eoc.Copy());
    EXPECT_NE(dynamic_cast<ASNEOCException*>(copy.get()), nullptr);

    const ParserInvalidEncodingException invalid;
    const VEK::BaseException& base = invalid;
    EXPECT_THROW(base.Throw(), ParserInvalidEncodingException);
}

TEST(Exceptions, CopiesKeepTheTextButNotTheMessageInfo)
{
    const VEK::SmartPtr<VEK::MessageInfo> info(new VEK::MessageInfo(VEK::Widen("details")));
    const ASNException original(info);
    EXPECT_EQ(original.What(), VEK::Widen("details"));
    const ASNException copied(original);
    EXPECT_EQ(copied.What(), VEK::Widen("details"));
    EXPECT_FALSE(copied.GetMessageInfo());
    ASNException assigned;
    assigned = original;
    EXPECT_TRUE(assigned.GetMessageInfo());
    EXPECT_EQ(info->NbRef(), 3);
    EXPECT_TRUE(ParserException().What().empty());
}
