#pragma once

#include "AppSettings.h"
#include "RequestChoices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// The window's "Prices:" choice beside the output format and its "End date:" beside the start year. They
// hold the run's request options, and keep the update box off while an end date is set.
class RunChoiceControls
{
public:
    // Made on `form`; `updateExisting` is the form's box.
    RunChoiceControls(QWidget *form, QCheckBox *updateExisting);

    void Load(const AppSettings &settings);
    void Store(AppSettings &settings) const;
    // The choice is open only for a service with both kinds of prices.
    void ShowService(int quoteSource);

    // Checks the end date against the start year; the message is empty when it is fine.
    [[nodiscard]] RequestChoices::EndDateCheck CheckEndDate(int startYear, QDate today) const;
    [[nodiscard]] PriceKind Prices() const;
    // Whether the run brings files up to date: the box is checked, no end date is set and the files were
    // written with the prices chosen (otherwise their first bars no longer match).
    [[nodiscard]] bool UpdatesFiles() const;
    // After a run: the files now hold the prices chosen.
    void RunDone();
    [[nodiscard]] QLineEdit *EndDateField() const { return txtEndDate; }

private:
    void EndDateEdited();

    QCheckBox *m_updateExisting;
    QLabel *lblPrices = nullptr;
    QComboBox *cmbPrices = nullptr;
    QLabel *lblEndDate = nullptr;
    QLineEdit *txtEndDate = nullptr;
    PriceKind m_written = PriceKind::Adjusted; // the kind the files were last written with
};
