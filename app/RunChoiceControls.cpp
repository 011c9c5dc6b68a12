#include "RunChoiceControls.h"

#include "FormControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

RunChoiceControls::RunChoiceControls(QWidget *form, QCheckBox *updateExisting)
    : m_updateExisting(updateExisting)
{
    lblPrices = MakeLabel(form, "lblPrices", QStringLiteral("Prices:"), Twips(4290, 690, 600, 195));
    cmbPrices = MakeControl<QComboBox>(form, "cmbPrices", Twips(4920, 630, 1545, 315));
    cmbPrices->addItems({RequestChoices::PricesCaption(PriceKind::Adjusted),
                         RequestChoices::PricesCaption(PriceKind::AsTraded)});
    lblEndDate = MakeLabel(form, "lblEndDate", QStringLiteral("End date:"), Twips(2250, 1590, 720, 195));
    txtEndDate = MakeControl<QLineEdit>(form, "txtEndDate", Twips(3030, 1560, 1200, 285));
    txtEndDate->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    txtEndDate->setToolTip(QStringLiteral("The last day of each history; empty for the newest"));
    WidenCaptions(std::array{lblPrices, lblEndDate});
    QObject::connect(txtEndDate, &QLineEdit::textChanged, txtEndDate, [this] { EndDateEdited(); });
}

void RunChoiceControls::Load(const AppSettings &settings)
{
    cmbPrices->setCurrentIndex(settings.Prices == PriceKind::AsTraded ? 1 : 0);
    m_written = settings.Prices;
    txtEndDate->setText(settings.EndDate);
    EndDateEdited();
}

void RunChoiceControls::Store(AppSettings &settings) const
{
    settings.Prices = Prices();
    settings.EndDate = txtEndDate->text().trimmed();
}

void RunChoiceControls::ShowService(int quoteSource)
{
    const QString fixed = RequestChoices::FixedPricesTip(quoteSource);
    cmbPrices->setEnabled(fixed.isEmpty());
    cmbPrices->setToolTip(fixed);
}

RequestChoices::EndDateCheck RunChoiceControls::CheckEndDate(int startYear, QDate today) const
{
    return RequestChoices::CheckEndDate(txtEndDate->text(), startYear, today);
}

PriceKind RunChoiceControls::Prices() const
{
    return cmbPrices->currentIndex() == 1 ? PriceKind::AsTraded : PriceKind::Adjusted;
}

bool RunChoiceControls::UpdatesFiles() const
{
    return m_updateExisting->isChecked() && txtEndDate->text().trimmed().isEmpty() && Prices() == m_written;
}

void RunChoiceControls::RunDone()
{
    m_written = Prices();
}

void RunChoiceControls::EndDateEdited()
{
    const bool ends = !txtEndDate->text().trimmed().isEmpty();
    m_updateExisting->setEnabled(!ends);
    m_updateExisting->setToolTip(ends ? RequestChoices::UpdateWithEndDateMessage() : QString());
}
