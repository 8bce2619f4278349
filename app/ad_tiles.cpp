#include "app/ad_tiles.h"

#include "app/config.h"
#include "app/picture_box.h"
#include "app/services/services.h"
#include "app/shell_services.h"
#include "inet/inet.h"
#include "script/script.h"

#include <string>

namespace kesmora {
namespace {

// The record of tile n as text: the body cut at its first zero byte.
Text FetchAdRecord(int n) {
    return ToText(InetFetch(AdRecordAddress(n)));
}

} // namespace

Text AdRecordAddress(int n) {
    return Concat({config::kAdHost, "/api/ad_website.php?id=", Text(std::to_string(n).c_str())});
}

void LoadAdTiles(const AdTileBoxes& tiles) {
    JsonObject record;
    for (int n = 1; n <= 8; ++n) {
        record.Parse(FetchAdRecord(n));
        const Text pictureAddress = record.GetText("picture");
        const Bytes pictureBytes = HttpGetFile(pictureAddress);
        if (PictureBox* box = tiles[static_cast<std::size_t>(n - 1)])
            box->setPicture(pictureBytes);
    }
    PumpIfInputPending();
}

void OpenAdTile(int n) {
    JsonObject record;
    record.Parse(FetchAdRecord(n));
    OpenInBrowser(record.GetText("site"));
}

} // namespace kesmora
