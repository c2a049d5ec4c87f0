#pragma once

// Everything of the tape library: layouts, blocks, reading, describing and
// listing tape images. Standard C++ only.

#include "tape/BlockDescription.h"
#include "tape/BlockLister.h"
#include "tape/BlockReader.h"
#include "tape/ByteCursor.h"
#include "tape/ChecksumVerdict.h"
#include "tape/ContentsIndex.h"
#include "tape/ContentsList.h"
#include "tape/ImageReader.h"
#include "tape/PzxReader.h"
#include "tape/TapeBlock.h"
#include "tape/TapeEntry.h"
#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"
#include "tape/TzxReader.h"
