#pragma once

// Charset expansion to 16-bit text.
#include <VEKParser/encoding/SGMLEncodingHelper.h>
