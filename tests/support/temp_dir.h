// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a final "/".
    const std::string& path() const { return path_; }
    // The path of a file in the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes the bytes into the named file of the folder; returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};
