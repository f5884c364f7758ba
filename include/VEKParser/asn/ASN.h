#pragma once

// BER decoding into trees of typed nodes, integers of any length, and printing of the trees.
#include <VEKParser/asn/ASNNode.h>
#include <VEKParser/asn/ASNParser.h>
#include <VEKParser/asn/ASNTree.h>
#include <VEKParser/asn/ASNTreePrinter.h>
#include <VEKParser/asn/ASNVLongInt.h>
#include <VEKParser/asn/ConvertStream.h>
