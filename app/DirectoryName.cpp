#include "DirectoryName.h"

#include "FolderPath.h"

QString GetDirectoryName(const QString &path)
{
    const qsizetype last = path.lastIndexOf(FolderPath::Separator());
    return last < 0 ? QString() : path.left(last + 1);
}
