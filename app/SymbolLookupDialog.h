#pragma once

#include "PlatformServices.h"

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SymbolLookup;

// Looks symbols up at one service: the user searches for a name or part of a code and picks one or
// several of the matches. The search runs through `lookup`, so it keeps to the service's pace and
// allowance; a failure is shown in the dialog.
class SymbolLookupDialog : public QDialog
{
    Q_OBJECT
public:
    SymbolLookupDialog(SymbolLookup &lookup, int quoteSource, const QString &text, QWidget *parent = nullptr);

    // The Add prompt of the window for service `quoteSource`, its look-up running this dialog.
    [[nodiscard]] static SymbolPrompt AddPrompt(SymbolLookup &lookup, int quoteSource);

    void Search();
    // The codes of the matches selected, in table order.
    [[nodiscard]] QStringList Chosen() const;

    void reject() override;

private:
    void ShowResult();

    SymbolLookup &m_lookup;
    const int m_quoteSource;
    QLineEdit *txtLookup = nullptr;
    QPushButton *cmdSearch = nullptr;
    QTableWidget *tblMatches = nullptr;
    QLabel *lblStatus = nullptr;
    QDialogButtonBox *buttons = nullptr;
};
