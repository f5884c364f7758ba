#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <VEKParser/asn/ASNTreePrinter.h>

#include "tests/asn/ParseBytes.h"

using namespace VEKParser;

namespace {

std::string Printed(const Bytes& bytes)
{
    ASNTree tree;
    ParseInto(bytes, tree);
    std::ostringstream out;
    PrintASNTree(tree, out);
    return out.str();
}

} // namespace

TEST(ASNTreePrinterTest, OneLinePerNodeWithItsValue)
{
    const Bytes bytes = {
        0x30, 0x80,                                      // SEQUENCE, indefinite
        0xA0, 0x03, 0x02, 0x01, 0xFB,                    //   [0] INTEGER -5
        0x06, 0x03, 0x2A, 0x86, 0x48,                    //   OID 1.2.840
        0x0C, 0x03, 'a', 0xC3, 0xA9,                     //   UTF8String
        0x13, 0x02, 'a', '\n',                           //   PrintableString with a control character
        0x17, 0x0D, '9', '9', '1', '2', '3', '1', '2', '3', '5', '9', '5', '9', 'Z',
        0x03, 0x02, 0x04, 0xF0,                          //   BIT STRING, 4 bits
        0x04, 0x02, 0x00, 0xFF,                          //   OCTET STRING
        0x01, 0x01, 0xFF,                                //   BOOLEAN
        0x05, 0x00,                                      //   NULL
        0x09, 0x03, 0x80, 0xFB, 0x05,                    //   REAL 0.15625
        0x02, 0x09, 0xFF, 0x00, 0, 0, 0, 0, 0, 0, 0x01,  //   INTEGER longer than 64 bits, negative
        0x7F, 0x81, 0x00, 0x00,                          //   [APPLICATION 128], constructed, empty
        0x00, 0x00,
        0x1A, 0x01, 0x07,                                // VisibleString, decoded as an integer
    };
    EXPECT_EQ(Printed(bytes),
              "0:d=0 hl=2 l=inf cons: SEQUENCE\n"
              "4:d=1 hl=2 l=1 prim: [0] INTEGER  Integer: -5\n"
              "7:d=1 hl=2 l=3 prim: OBJECT IDENTIFIER  ObjectIdentifier: 1.2.840\n"
              "12:d=1 hl=2 l=3 prim: UTF8String  WideString: \"a\xC3\xA9\"\n"
              "17:d=1 hl=2 l=2 prim: PrintableString  WideString: \"a\\x0A\"\n"
              "21:d=1 hl=2 l=13 prim: UTCTime  Time: 991231235959Z\n"
              "36:d=1 hl=2 l=2 prim: BIT STRING  BitString: 4 bits F0\n"
              "40:d=1 hl=2 l=2 prim: OCTET STRING  OctetString: 00FF\n"
              "44:d=1 hl=2 l=1 prim: BOOLEAN  Boolean: true\n"
              "47:d=1 hl=2 l=0 prim: NULL  Null\n"
              "49:d=1 hl=2 l=3 prim: REAL  Real: 0.15625\n"
              "54:d=1 hl=2 l=9 prim: INTEGER  BigInteger: -0xFFFFFFFFFFFFFFFF\n"
              "65:d=1 hl=4 l=0 cons: APPLICATION 128\n"
              "71:d=0 hl=2 l=1 prim: VisibleString  Integer: 7\n");
}
