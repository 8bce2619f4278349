// A private temporary folder, removed with everything in it when the object goes.
//
//   kesmora::test::TempDir dir;
//   std::string config = dir.File("tinyproxy.conf");
#pragma once

#include <string>
#include <string_view>

namespace kesmora::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(std::string_view name) const;

private:
    std::string path_;
};

// Writes `text` to `path`, replacing the file; false on failure.
bool WriteFile(const std::string& path, std::string_view text);
// The whole file, empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace kesmora::test
