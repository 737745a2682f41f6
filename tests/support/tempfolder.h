#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pinora::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "pinora-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
        std::filesystem::create_directory(path_ / "MSG");
        std::filesystem::create_directory(path_ / "TEMP");
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With its final separator, as a database folder is held.
    std::string str() const { return path_.string() + "/"; }
    std::filesystem::path path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace pinora::test
