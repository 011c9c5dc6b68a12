#include "FolderPath.h"

namespace FolderPath {

QString WithTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(Separator()))
        return folder;
    return folder + Separator();
}

} // namespace FolderPath
