#pragma once

#include <QFileDialog>

#include <memory>

class QAbstractFileIconProvider;

// The folder chooser. Qt's own dialog learns the kind of each entry by reading it, which blocks for
// good on /proc/kmsg, a FIFO or a device; this one lists folders only and tells entries apart by
// their metadata alone. It opens at the nearest folder of `startFolder` that exists.
class FolderDialog final : public QFileDialog
{
public:
    FolderDialog(QWidget *parent, const QString &title, const QString &startFolder);
    ~FolderDialog() override;

private:
    std::unique_ptr<QAbstractFileIconProvider> m_icons;
};

// Creates `folder` and the folders above it that are missing; false with the system's reason
// ("Permission denied", "Read-only file system") when one cannot be made.
[[nodiscard]] bool MakeFolder(const QString &folder, QString *reason);
