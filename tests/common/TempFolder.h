// TempFolder.h - a fresh folder under the temporary directory for the
// files a test or a benchmark writes, removed with its files.
#ifndef KOR_TESTS_COMMON_TEMPFOLDER_H
#define KOR_TESTS_COMMON_TEMPFOLDER_H

#include <windows.h>

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring &Path() const { return m_path; }
    std::vector<std::wstring> Files() const;  // names only, sorted
    std::vector<BYTE> Read(const std::wstring &name) const;
    void RemoveFiles() const;

private:
    std::wstring m_path;
};

#endif  // KOR_TESTS_COMMON_TEMPFOLDER_H
