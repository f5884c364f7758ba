// Lengths the input cannot back and nesting the stack cannot follow must fail with the
// library's exceptions before they cost memory; a tree of many tiny values costs a bounded
// amount per value.
#include <gtest/gtest.h>

#include <string>

#include <VEKParser/asn/ASN.h>
#include <VEKParser/foundation/Exceptions.h>
#include <VEKParser/host/MemoryBuffer.h>

#include "tests/hardening/CountingAllocator.h"
#include "tests/hardening/HostileInput.h"

using namespace VEKParser;
using HostileInput::MB;
using HostileInput::Repeat;

namespace {

// Parses `der` and says how it ended; `peak` receives the heap it took above the input.
std::string Outcome(const std::string& der, std::size_t& peak, unsigned& nodes)
{
    VEKFile::MemoryBuffer buffer(der.data(), static_cast<unsigned>(der.size()));
    std::string outcome = "parsed";
    peak = CountingAllocator::PeakDuring([&] {
        ASNParser parser;
        ASNTree tree;
        try {
            parser.Parse(buffer, tree);
        } catch (const ASNPrematureEOFException&) {
            outcome = "premature end";
        } catch (const ASNEOCException&) {
            outcome = "misplaced end of contents";
        } catch (const ASNException&) {
            outcome = "ASN.1 error";
        }
        nodes = tree.NumberOfNodes();
    });
    return outcome;
}


TEST(AsnLimits, LengthsBeyondTheInputAllocateNothingLikeThem)
{
    const std::string body(MB, 'x');
    // Contents claimed at 2 GB and at the largest long-form lengths, for primitive and
    // constructed values, with a megabyte behind them.
    for (const std::string& header :
         {std::string("\x04\x84\x7F\xFF\xFF\xFF", 6), std::string("\x30\x84\x7F\xFF\xFF\xFF", 6),
          std::string("\x04\x88\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10), std::string("\x30\x88\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10),
          std::string("\x1E\x84\x7F\xFF\xFF\xFE", 6), std::string("\x03\x84\x7F\xFF\xFF\xFF\x00", 7)}) {
        std::size_t peak = 0;
        unsigned nodes = 0;
        const std::string der = header + body;
        EXPECT_NE(Outcome(der, peak, nodes), "parsed") << header.size();
        EXPECT_LE(peak, 4 * der.size()) << header.size();
    }
}

TEST(AsnLimits, DeepNestingFailsWithoutExhaustingTheStack)
{
    for (const std::string& opener : {std::string("\x30\x80", 2), std::string("\xA0\x80", 2), std::string("\x31\x80", 2)}) {
        const std::string der = Repeat(opener, 200000) + Repeat(std::string("\0\0", 2), 200000);
        std::size_t peak = 0;
        unsigned nodes = 0;
        EXPECT_EQ(Outcome(der, peak, nodes), "ASN.1 error");
        EXPECT_LE(peak, 4 * der.size());
    }
    // Definite lengths nest as deep: each SEQUENCE wraps the rest, 2000 levels in all.
    std::string definite("\x05\x00", 2);
    for (int i = 0; i < 2000; ++i) {
        const std::size_t n = definite.size();
        definite = std::string("\x30\x83", 2) + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) +
                   static_cast<char>(n) + definite;
    }
    std::size_t peak = 0;
    unsigned nodes = 0;
    EXPECT_EQ(Outcome(definite, peak, nodes), "ASN.1 error");
}

TEST(AsnLimits, ManyTinyValuesCostABoundedAmountEach)
{
    // The densest tree BER can describe: NULL values of two bytes each, flat and nested.
    for (const std::string& der : {Repeat(std::string("\x05\x00", 2), 1000000),
                                   "\x30\x80" + Repeat(std::string("\x05\x00", 2), 1000000) + std::string("\0\0", 2)}) {
        std::size_t peak = 0;
        unsigned nodes = 0;
        EXPECT_EQ(Outcome(der, peak, nodes), "parsed");
        EXPECT_GE(nodes, 1u);
        // A node of 56 bytes and its child slot, while the array of slots grows: at most 40
        // times the input (62 times when each node was a heap block with its framing in full).
        const double perInputByte = static_cast<double>(peak) / static_cast<double>(der.size());
        RecordProperty(der[0] == '\x05' ? "flat_peak_per_input_byte" : "nested_peak_per_input_byte",
                       std::to_string(perInputByte));
        EXPECT_LE(perInputByte, 40.0);
    }
}

} // namespace
