#include "FolderDialog.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#endif

namespace {

class MetadataIcons final : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo &info) const override
    {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }
};

QString ExistingFolder(QString folder)
{
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(QDir::cleanPath(folder)).path();
        if (parent == folder)
            return QDir::homePath();
        folder = parent;
    }
    return folder.isEmpty() ? QDir::homePath() : folder;
}

} // namespace

FolderDialog::FolderDialog(QWidget *parent, const QString &title, const QString &startFolder)
    : QFileDialog(parent, title), m_icons(std::make_unique<MetadataIcons>())
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setOption(QFileDialog::DontUseCustomDirectoryIcons);
    setFileMode(QFileDialog::Directory);
    setIconProvider(m_icons.get());
    setDirectory(ExistingFolder(startFolder));
}

FolderDialog::~FolderDialog() = default;

bool MakeFolder(const QString &folder, QString *reason)
{
#ifdef Q_OS_UNIX
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList parts = clean.split(u'/');
    QString path;
    for (const QString &part : parts) {
        path += part + u'/';
        if (part.isEmpty() || QFileInfo(path).isDir())
            continue;
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 && errno != EEXIST) {
            *reason = qt_error_string(errno);
            return false;
        }
        if (!QFileInfo(path).isDir()) {
            *reason = qt_error_string(ENOTDIR);
            return false;
        }
    }
    return true;
#else
    if (QDir().mkpath(folder))
        return true;
    *reason = QStringLiteral("the folder could not be made");
    return false;
#endif
}
