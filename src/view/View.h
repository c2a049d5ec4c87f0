#pragma once

// Everything of the view library: decoders that look inside a block (BASIC,
// arrays, screen, Jupiter Ace dictionary, hex). Standard C++ only.

#include "view/AceDictionary.h"
#include "view/BlockChecksum.h"
#include "view/BlockViews.h"
#include "view/HeaderFields.h"
#include "view/HexDump.h"
#include "view/RowViews.h"
#include "view/SnapshotViews.h"
#include "view/TextView.h"
#include "view/basic/BasicListing.h"
#include "view/basic/BasicProgram.h"
#include "view/basic/BasicVariables.h"
#include "view/basic/SpectrumArrays.h"
#include "view/basic/SpectrumNumber.h"
#include "view/basic/SpectrumText.h"
#include "view/basic/SpectrumTokens.h"
#include "view/screen/PngImage.h"
#include "view/screen/ScreenImage.h"
