#pragma once

#include "common/Result.h"

#include <QString>

// What every run's download folder is called in the temporary folder:
// "Brenvoss-Tesselar-" and an upper-case UUID.
inline constexpr char downloadFolderPrefix[] = "Brenvoss-Tesselar-";

// A run's download folder, held for as long as this value lives: an
// exclusive flock on a file inside it, which the system also drops when the
// process ends however it ends. While one installer holds its folder, the
// start-up of another (the Native and the DSP bundle can run side by side)
// leaves it alone.
class HeldFolder
{
public:
    HeldFolder() = default;
    HeldFolder(HeldFolder&& other) noexcept;
    HeldFolder& operator=(HeldFolder&& other) noexcept;
    ~HeldFolder();

    // Makes `path` with mode 0700, its parent with any missing folders, and
    // holds it. The folder is made and held under a hidden name and only then
    // renamed into place, so no one ever sees it unheld under its own name.
    static Result<HeldFolder> create(const QString& path);

private:
    explicit HeldFolder(int lock) : m_lock(lock) {}
    int m_lock = -1;
};

// Removes every download folder in `temporaryDirectory` that no running
// installer holds: what a killed run left behind, packages and all. Only
// real folders of this user with exactly the download folders' name are
// touched; a symbolic link is never followed, whatever its name. Blocks while
// it removes: a background thread only.
void removeStaleDownloadFolders(const QString& temporaryDirectory);
