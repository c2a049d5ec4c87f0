#pragma once

// Everything of the view library: decoders that look inside a block (BASIC,
// arrays, screen, Jupiter Ace dictionary, hex). Standard C++ only.

#include "view/AceDictionary.h"
#include "view/BasicListing.h"
#include "view/BasicProgram.h"
#include "view/BasicVariables.h"
#include "view/BlockChecksum.h"
#include "view/BlockViews.h"
#include "view/HeaderFields.h"
#include "view/HexDump.h"
#include "view/PngImage.h"
#include "view/RowViews.h"
#include "view/ScreenImage.h"
#include "view/SnapshotViews.h"
#include "view/SpectrumArrays.h"
#include "view/SpectrumNumber.h"
#include "view/SpectrumText.h"
#include "view/SpectrumTokens.h"
#include "view/TextView.h"
