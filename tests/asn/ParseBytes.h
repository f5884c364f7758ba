#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/asn/ASNTree.h>
#include <VEKParser/host/MemoryBuffer.h>

using Bytes = std::vector<unsigned char>;

// Appends the values of `bytes` to `tree`.
inline void ParseInto(const Bytes& bytes, VEKParser::ASNTree& tree)
{
    VEKFile::MemoryBuffer buffer(bytes.data(), static_cast<unsigned int>(bytes.size()));
    VEKParser::ASNParser parser;
    parser.Parse(buffer, tree);
}

// The value of a primitive node of type T; fails the test for any other node.
template <class T>
T ValueOf(const VEK::SmartPtr<VEKParser::BaseASNNode>& node)
{
    const auto* primitive = dynamic_cast<const VEKParser::PrimitiveASNNode<T>*>(node.Get());
    EXPECT_NE(primitive, nullptr);
    return primitive ? primitive->GetValue() : T{};
}
