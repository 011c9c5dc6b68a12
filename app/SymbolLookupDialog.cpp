#include "SymbolLookupDialog.h"

#include "AppTitle.h"
#include "RequestChoices.h"
#include "ServiceRegistry.h"
#include "SymbolLookup.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

SymbolLookupDialog::SymbolLookupDialog(SymbolLookup &lookup, int quoteSource, const QString &text,
                                       QWidget *parent)
    : QDialog(parent), m_lookup(lookup), m_quoteSource(quoteSource)
{
    setObjectName(QStringLiteral("SymbolLookupDialog"));
    if (parent)
        setFont(parent->font());
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    setWindowTitle(AppTitle() + QStringLiteral(": Look up") +
                   (service ? QStringLiteral(" at ") + service->Name() : QString()));

    txtLookup = new QLineEdit(text, this);
    txtLookup->setObjectName(QStringLiteral("txtLookup"));
    txtLookup->setPlaceholderText(QStringLiteral("Name or part of a symbol"));
    cmdSearch = new QPushButton(QStringLiteral("Search"), this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    tblMatches = new QTableWidget(0, 5, this);
    tblMatches->setObjectName(QStringLiteral("tblMatches"));
    tblMatches->setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Name"),
                                           QStringLiteral("Exchange"), QStringLiteral("Type"),
                                           QStringLiteral("Currency")});
    tblMatches->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMatches->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblMatches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblMatches->verticalHeader()->hide();
    tblMatches->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    tblMatches->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch); // the name takes the room
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton *add = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
    add->setAutoDefault(false);
    add->setEnabled(false);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(txtLookup);
    searchRow->addWidget(cmdSearch);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(tblMatches);
    layout->addWidget(lblStatus);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 22);

    connect(cmdSearch, &QPushButton::clicked, this, &SymbolLookupDialog::Search);
    connect(txtLookup, &QLineEdit::returnPressed, this, &SymbolLookupDialog::Search);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SymbolLookupDialog::reject);
    connect(tblMatches, &QTableWidget::itemSelectionChanged, this,
            [this, add] { add->setEnabled(!Chosen().isEmpty()); });
    connect(tblMatches, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(&m_lookup, &SymbolLookup::Waiting, this, [this](std::chrono::milliseconds wait) {
        lblStatus->setText(
            QStringLiteral("Waiting %1 s to keep to the service's pace...").arg((wait.count() + 999) / 1000));
    });
    connect(&m_lookup, &SymbolLookup::Finished, this, &SymbolLookupDialog::ShowResult);
}

SymbolPrompt SymbolLookupDialog::AddPrompt(SymbolLookup &lookup, int quoteSource)
{
    SymbolPrompt prompt{QStringLiteral("Enter symbol:"), {}, RequestChoices::NoSearchTip(quoteSource)};
    if (prompt.lookUpTip.isEmpty())
        prompt.lookUp = [&lookup, quoteSource](QWidget *parent, const QString &typed) {
            SymbolLookupDialog dialog(lookup, quoteSource, typed, parent);
            dialog.Search(); // what was typed is searched at once, so its first match is one click away
            return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : QStringList();
        };
    return prompt;
}

void SymbolLookupDialog::Search()
{
    if (m_lookup.Busy() || txtLookup->text().trimmed().isEmpty())
        return;
    cmdSearch->setEnabled(false);
    tblMatches->setRowCount(0);
    lblStatus->setText(QStringLiteral("Searching..."));
    m_lookup.Start(m_quoteSource, txtLookup->text());
}

void SymbolLookupDialog::ShowResult()
{
    cmdSearch->setEnabled(true);
    const SearchReply &result = m_lookup.Result();
    if (!result.ok) {
        lblStatus->setText(QStringLiteral("Look-up failed: ") + result.cause);
        return;
    }
    tblMatches->setRowCount(int(result.matches.size()));
    for (int row = 0; row < int(result.matches.size()); ++row) {
        const SymbolMatch &match = result.matches.at(row);
        const QString cells[] = {match.code, match.name, match.exchange, match.type, match.currency};
        for (int column = 0; column < 5; ++column)
            tblMatches->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    tblMatches->resizeColumnsToContents();
    const qsizetype found = result.matches.size();
    lblStatus->setText(found == 0
                           ? QStringLiteral("No matches.")
                           : QStringLiteral("%1 %2: select those to add.")
                                 .arg(found)
                                 .arg(found == 1 ? QStringLiteral("match") : QStringLiteral("matches")));
    if (!result.matches.isEmpty())
        tblMatches->selectRow(0);
}

QStringList SymbolLookupDialog::Chosen() const
{
    QList<int> rows;
    for (const QModelIndex &index : tblMatches->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList codes;
    for (const int row : rows)
        codes.append(tblMatches->item(row, 0)->text());
    return codes;
}

void SymbolLookupDialog::reject()
{
    m_lookup.Cancel();
    QDialog::reject();
}
