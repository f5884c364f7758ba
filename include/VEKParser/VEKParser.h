#pragma once

// Everything the library exports.

#include <VEKParser/Export.h>

#include <VEKParser/host/BinaryStream.h>
#include <VEKParser/host/BinaryStreamParser.h>
#include <VEKParser/host/BitVector.h>
#include <VEKParser/host/Conv.h>
#include <VEKParser/host/CriticalSection.h>
#include <VEKParser/host/DateTime.h>
#include <VEKParser/host/Exception.h>
#include <VEKParser/host/HostTypes.h>
#include <VEKParser/host/IsAlphaClass.h>
#include <VEKParser/host/MappedFile.h>
#include <VEKParser/host/MemoryBuffer.h>
#include <VEKParser/host/MemoryPool.h>
#include <VEKParser/host/RefCount.h>
#include <VEKParser/host/SmallObjects.h>
#include <VEKParser/host/SmartPtr.h>
#include <VEKParser/host/StringFunctions.h>
#include <VEKParser/host/WideStream.h>

#include <VEKParser/foundation/BaseTree.h>
#include <VEKParser/foundation/Exceptions.h>

// Subsystems, one umbrella header each.
#include <VEKParser/asn/ASN.h>
#include <VEKParser/html/vocabulary/Vocabulary.h>
#include <VEKParser/html/doctree/DocTree.h>
#include <VEKParser/html/stream/Stream.h>
#include <VEKParser/encoding/Encoding.h>
