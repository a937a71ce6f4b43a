#pragma once

#include <QString>

namespace data {

// The part of a file name from its last "." to the end, dot included; empty text
// when the name holds no dot. "a.jpg.txt" gives ".txt", "photo." gives ".".
QString ExtensionOf(const QString& name);

// The permission bits a new file of `mode` gets in this process (the umask taken off).
// Files made private first (temporary names) are given these before they are renamed, so
// a copy or a workbook can be shared like any other file the user makes.
unsigned NewFileMode(unsigned mode = 0666);

// The modes of the files that hold the studio's data: the database (with the administrator
// password), its journals, its lock, its backups. They are never for other accounts. A
// folder its group may write is shared through that group: the files are the group's too
// (read and write, so every user of the folder can work), and new folders inside it pass
// the group on (setgid). Any other folder keeps them to their owner.
struct DataFileModes {
    bool shared = false;
    unsigned file = 0600;    // 0660 when shared
    unsigned folder = 0700;  // 02770 when shared
    long group = -1;         // the folder's group when shared
};
DataFileModes DataFileModesFor(const QString& folder);

// Gives a file these modes (and, shared, the folder's group) when this account owns it;
// a file of another owner is left as it is. False when the file is left readable by
// accounts outside the owner and, shared, the group. The path forms never open the file.
bool FitDataFileMode(int fd, const DataFileModes& modes);
bool FitDataFileMode(const QString& path, const DataFileModes& modes);
// The same for a folder made to hold such files (the backups).
bool FitDataFolderMode(const QString& path, const DataFileModes& modes);

}  // namespace data
