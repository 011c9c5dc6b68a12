#include "FormControls.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

QRect Twips(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0), qRound(height / 15.0));
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, const QRect &place)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1StringView(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(place);
    return button;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &place)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1StringView(name));
    label->setGeometry(place);
    return label;
}

QString RunProgressText(int done, int total, qint64 elapsedMs)
{
    QString text = QStringLiteral("%1 of %2 rows").arg(done).arg(total);
    if (done <= 0 || done >= total)
        return text;
    // The rows so far are the best guess of the rest; the guess is rounded up, never promising too much.
    const qint64 seconds = (elapsedMs * (total - done) / done + 999) / 1000;
    if (seconds < 60)
        return text + QStringLiteral(", about %1 s left").arg(seconds);
    if (seconds < 3600)
        return text + QStringLiteral(", about %1 min left").arg((seconds + 59) / 60);
    const qint64 minutes = (seconds + 59) / 60;
    return text + QStringLiteral(", about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

void ShowRunProgress(QProgressBar &bar, int done, int total, qint64 elapsedMs)
{
    bar.setRange(0, std::max(1, total));
    bar.setValue(done);
    bar.setFormat(RunProgressText(done, total, elapsedMs));
}
