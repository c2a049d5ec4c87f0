#pragma once

// Everything of the tape library: layouts, blocks, reading, describing and
// listing tape images of every format. Standard C++ only.

#include "tape/BlockDescription.h"
#include "tape/ContentsList.h"
#include "tape/Conversion.h"
#include "tape/HeaderFields.h"
#include "tape/ImageBlock.h"
#include "tape/TapeBlock.h"
#include "tape/TapeChoice.h"
#include "tape/TapeEntry.h"
#include "tape/TapeFile.h"
#include "tape/TapeImage.h"
#include "tape/TapeLayout.h"
#include "tape/formats/BlockReader.h"
#include "tape/formats/ByteCursor.h"
#include "tape/formats/PzxReader.h"
#include "tape/formats/TzxReader.h"
