// The eight advertisement tiles above the web view: each shows the picture its record
// names and opens the record's "site" when pressed. Records and pictures are fetched
// anew every time; the window keeps only the pictures in the boxes.
#pragma once

#include "common/text.h"

#include <array>

namespace kesmora {

class PictureBox;

// The boxes 图片框1 to 图片框8, tile N at index N - 1.
using AdTileBoxes = std::array<PictureBox*, 8>;

// AdHost + "/api/ad_website.php?id=" + n.
Text AdRecordAddress(int n);

// For tiles 1 to 8 in order: fetches the record, reads its "picture", fetches that and
// sets it into the box; a failure anywhere leaves the box without a picture (the
// placeholder is replaced in every case). Ends by letting pending input run.
void LoadAdTiles(const AdTileBoxes& tiles);

// Fetches tile n's record again and hands its "site" to the browser (an empty or
// non-web address goes nowhere).
void OpenAdTile(int n);

} // namespace kesmora
