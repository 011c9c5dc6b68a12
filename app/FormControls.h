#pragma once

#include <QAbstractButton>
#include <QRect>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstddef>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The window is laid out in twips; at 96 dots per inch 15 twips make one pixel, and Qt's high-DPI
// scaling takes it from there.
[[nodiscard]] QRect Twips(int left, int top, int width, int height);

// A button that never acts as the default one, so Enter in the start year field presses nothing.
QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, const QRect &place);
QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &place);

template <typename Control> Control *MakeControl(QWidget *parent, const char *name, const QRect &place)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(place);
    return control;
}

// Fonts that stand in for the laid-out one run a few pixels wider; there is room up to the controls,
// so a caption keeps its colon.
template <typename Array> void WidenCaptions(const Array &captions)
{
    for (auto *caption : captions)
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
}

// The handler of an array of buttons learns which was clicked.
template <typename Array, typename Handler>
void ConnectClicks(const Array &buttons, QObject *context, const Handler &handler)
{
    for (std::size_t i = 0; i < buttons.size(); ++i)
        QObject::connect(buttons[i], &QAbstractButton::clicked, context, [handler, i] { handler(int(i)); });
}

// Controls of one name tell themselves apart by their "Index", as the handlers number them.
template <typename Array> void NumberControls(const Array &controls)
{
    for (std::size_t i = 0; i < controls.size(); ++i)
        controls[i]->setProperty("Index", int(i));
}

// "3 of 20 rows, about 2 min left" for a run `elapsedMs` into it.
[[nodiscard]] QString RunProgressText(int done, int total, qint64 elapsedMs);
void ShowRunProgress(QProgressBar &bar, int done, int total, qint64 elapsedMs);
