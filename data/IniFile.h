#pragma once
// A sectioned key=value file, read and written the way the platform's profile-string calls do: one object
// per read or write, keys matched without regard to case, values kept byte for byte, and writing one key
// leaving every other line of the file as it was.

#include <string>
#include <utility>
#include <vector>

namespace data {

class TIniFile {
public:
    /// Loads the file if it exists; a missing or unreadable file reads as empty.
    explicit TIniFile(std::string path);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const std::string &fileName() const { return path_; }
    std::string readString(const std::string &section, const std::string &key, const std::string &def) const;
    bool sectionExists(const std::string &section) const;
    /// Every key of the section with its value, in the order of the file.
    std::vector<std::pair<std::string, std::string>> sectionValues(const std::string &section) const;
    /// Writes the key and saves the file at once, whole (see replaceFile()): when it cannot be written,
    /// EDatabaseError names the file and the system's reason and the file stays as it was.
    void writeString(const std::string &section, const std::string &key, const std::string &value);

private:
    struct Impl;
    std::string path_;
    Impl *d;
};

} // namespace data
