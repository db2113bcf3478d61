// SPDX-License-Identifier: MIT
// The version a MacBinary file states in its resource fork: the short version string of its
// 'vers' resource, for listings of many files. Only the fork's header, its map and the one
// resource are read, so a large fork costs no more than a small one.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "resources/ResourceMap.h"
#include "util/TFileStream.h"

#include <string>

namespace kelda {

// The one choice of 'vers' resource for every listing: 'vers' 1 (the file's own version), else
// 'vers' 2 (the package it belongs to), else the first 'vers' of the map; nullptr for none.
const TResourceEntry* FileVersEntry(const TResourceMap& map);

// The short version string ("1.0.2") of that resource in file, whose MacBinary header is header;
// empty when the file has no resource fork, no such resource, or a map or resource too damaged to
// read it from.
std::string FileShortVersion(const TFileStream& file, const THeader& header);

} // namespace kelda
