#pragma once

#include <QDate>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The Add prompt and its "Look up..." button, which runs `lookUp` on the text typed so far and adds the
// codes it returns; the button is disabled, with `lookUpTip` saying why, when `lookUp` is empty.
struct SymbolPrompt
{
    QString prompt;
    std::function<QStringList(QWidget *parent, const QString &typed)> lookUp;
    QString lookUpTip;
};

// What the window needs from the desktop. Tests pass a scripted implementation, so no modal
// window ever opens in a test.
class PlatformServices
{
public:
    virtual ~PlatformServices() = default;

    // A modal message with the critical icon, one OK button and the program's title.
    virtual void ShowCritical(QWidget *parent, const QString &text) = 0;
    // A modal text prompt; the entered text, or empty when cancelled.
    virtual QString AskText(QWidget *parent, const QString &prompt, const QString &initial) = 0;
    // The platform's folder chooser opened at `startFolder`; the chosen folder, or empty when cancelled.
    virtual QString PickFolder(QWidget *parent, const QString &title, const QString &startFolder) = 0;
    // A modal question with Yes and No buttons and the program's title; true for Yes.
    [[nodiscard]] virtual bool Confirm(QWidget *parent, const QString &question) = 0;
    // A chooser of one file to open, of the kinds in `filter`; the chosen file, or empty when cancelled.
    virtual QString PickFile(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Shows a help file without waiting for the viewer: with the desktop's program for it or an
    // installed viewer, else its pages in "help" beside it in the browser. Empty when it is shown,
    // otherwise what is missing, as the message to show.
    [[nodiscard]] virtual QString OpenHelp(const QString &path) = 0;
    virtual QDate CurrentDate() = 0;
    virtual QSize ScreenSize() = 0;
    // The symbols the user entered in the Add prompt or chose through its look-up; empty when cancelled.
    // Without a look-up of its own a platform asks AskText().
    [[nodiscard]] virtual QStringList AskSymbols(QWidget *parent, const SymbolPrompt &prompt);
};

// Opens `helpFile` with the platform's help viewer, or says why it cannot.
void ShowHelpFile(PlatformServices &platform, QWidget *parent, const QString &helpFile);

// Asks for the API token of service `quoteSource` with `current` filled in: the token entered, trimmed,
// or empty when none was (or the service takes none).
[[nodiscard]] QString AskServiceToken(PlatformServices &platform, QWidget *parent, int quoteSource,
                                      const QString &current);

// The real desktop.
class QtPlatformServices final : public PlatformServices
{
public:
    void ShowCritical(QWidget *parent, const QString &text) override;
    QString AskText(QWidget *parent, const QString &prompt, const QString &initial) override;
    QString PickFolder(QWidget *parent, const QString &title, const QString &startFolder) override;
    bool Confirm(QWidget *parent, const QString &question) override;
    QString PickFile(QWidget *parent, const QString &title, const QString &filter) override;
    QString OpenHelp(const QString &path) override;
    QDate CurrentDate() override;
    QSize ScreenSize() override;
    QStringList AskSymbols(QWidget *parent, const SymbolPrompt &prompt) override;
};

// Whether the desktop has a program for any of `mimeTypes`: a default or added association in a
// mimeapps.list or defaults.list, or an entry of a mimeinfo.cache, naming a desktop entry that exists
// and that no list removes. The folders are those of $XDG_CONFIG_HOME/$XDG_CONFIG_DIRS and of
// $XDG_DATA_HOME/$XDG_DATA_DIRS, most important first.
[[nodiscard]] bool HasDesktopHandler(const QStringList &mimeTypes, const QStringList &configDirs,
                                     const QStringList &dataDirs);
