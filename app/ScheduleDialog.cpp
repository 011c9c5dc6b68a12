#include "ScheduleDialog.h"

#include "AppTitle.h"
#include "RunLog.h"

#include <QCheckBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int kShownRuns = 10;

template <typename Control> Control *Named(Control *control, const char *name)
{
    control->setObjectName(QLatin1StringView(name));
    return control;
}

} // namespace

ScheduleDialog::ScheduleDialog(QString program, QWidget *parent)
    : QDialog(parent), m_program(std::move(program)), m_systemd(m_timer.Available())
{
    setObjectName(QStringLiteral("ScheduleDialog"));
    setWindowTitle(AppTitle() + QStringLiteral(": Schedule"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Update the files unattended, with the settings the window saves:"), this));

    // Mon to Fri at 22:30 until a schedule says otherwise: after the markets close, on trading days.
    const WeeklySchedule shown = m_timer.Installed().value_or(WeeklySchedule{0x1F, QTime(22, 30)});
    auto *when = new QHBoxLayout;
    const char *const dayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (int day = 0; day < 7; ++day) {
        chkDays[day] = Named(new QCheckBox(QLatin1StringView(dayNames[day]), this), "chkDays");
        chkDays[day]->setProperty("Index", day);
        chkDays[day]->setChecked(shown.RunsOn(day + 1));
        when->addWidget(chkDays[day]);
    }
    when->addWidget(new QLabel(QStringLiteral("at"), this));
    tmeRunAt = Named(new QTimeEdit(shown.time, this), "tmeRunAt");
    tmeRunAt->setDisplayFormat(QStringLiteral("HH:mm"));
    when->addWidget(tmeRunAt);
    when->addStretch();
    layout->addLayout(when);

    lblScheduleState = Named(new QLabel(this), "lblScheduleState");
    lblScheduleState->setWordWrap(true);
    lblScheduleState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblScheduleState);
    txtCrontabLine = Named(new QLineEdit(this), "txtCrontabLine");
    txtCrontabLine->setReadOnly(true);
    txtCrontabLine->setVisible(!m_systemd);
    layout->addWidget(txtCrontabLine);

    layout->addWidget(new QLabel(QStringLiteral("Recent runs:"), this));
    lstRuns = Named(new QListWidget(this), "lstRuns");
    for (const RunRecord &run : RunLog::Recent(RunLog::Path(), kShownRuns))
        lstRuns->addItem(RunLog::Describe(run));
    if (lstRuns->count() == 0)
        lstRuns->addItem(QStringLiteral("None yet: the run log is ") + RunLog::Path());
    layout->addWidget(lstRuns);

    auto *buttons = new QDialogButtonBox(this);
    cmdSetSchedule = Named(buttons->addButton(QStringLiteral("Set schedule"), QDialogButtonBox::ActionRole),
                           "cmdSetSchedule");
    cmdRemoveSchedule =
        Named(buttons->addButton(QStringLiteral("Remove schedule"), QDialogButtonBox::ActionRole),
              "cmdRemoveSchedule");
    Named(buttons->addButton(QDialogButtonBox::Close), "cmdCloseSchedule");
    layout->addWidget(buttons);
    for (QPushButton *button : {cmdSetSchedule, cmdRemoveSchedule})
        button->setAutoDefault(false);

    connect(cmdSetSchedule, &QPushButton::clicked, this, &ScheduleDialog::cmdSetSchedule_Click);
    connect(cmdRemoveSchedule, &QPushButton::clicked, this, &ScheduleDialog::cmdRemoveSchedule_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QCheckBox *day : chkDays)
        connect(day, &QCheckBox::toggled, this, [this] { ShowSchedule(); });
    connect(tmeRunAt, &QTimeEdit::timeChanged, this, [this] { ShowSchedule(); });
    resize(sizeHint().expandedTo(QSize(620, 0)));
    ShowSchedule();
}

WeeklySchedule ScheduleDialog::Chosen() const
{
    WeeklySchedule chosen{0, tmeRunAt->time()};
    for (int day = 0; day < 7; ++day) {
        if (chkDays[day]->isChecked())
            chosen.days |= 1U << day;
    }
    return chosen;
}

void ScheduleDialog::ShowSchedule(const QString &failure)
{
    const WeeklySchedule chosen = Chosen();
    const std::optional<WeeklySchedule> installed = m_timer.Installed();
    cmdSetSchedule->setEnabled(m_systemd && chosen.Valid());
    const bool present = m_timer.Present();
    cmdRemoveSchedule->setEnabled(m_systemd && present);
    txtCrontabLine->setText(chosen.Valid() ? chosen.CrontabLine(m_program, UserTimer::CarriedEnvironment())
                                           : QString());
    txtCrontabLine->setCursorPosition(0);
    QString state;
    if (!m_systemd)
        state = QStringLiteral("systemd's user manager is not available here, so the update cannot be set "
                               "from this window. Add this line to your crontab (crontab -e) instead:");
    else if (!present)
        state = QStringLiteral("No unattended update is set.");
    else {
        state = installed ? QStringLiteral("Updates ") + installed->Text() + u'.'
                          : QStringLiteral("An update is set in ") + m_timer.UnitFolder() + u'/' +
                                QLatin1StringView(UserTimer::kTimer) +
                                QStringLiteral(", at times this window cannot show.");
        if (const QString next = m_timer.NextRun(); !next.isEmpty())
            state += QStringLiteral(" Next run: ") + next + u'.';
    }
    lblScheduleState->setText(failure.isEmpty() ? state : failure + u'\n' + state);
}

void ScheduleDialog::cmdSetSchedule_Click()
{
    const WeeklySchedule chosen = Chosen();
    if (!m_systemd || !chosen.Valid())
        return;
    Q_EMIT aboutToSet();
    QString error;
    ShowSchedule(m_timer.Install(chosen, m_program, &error)
                     ? QString()
                     : QStringLiteral("The schedule could not be set: ") + error);
}

void ScheduleDialog::cmdRemoveSchedule_Click()
{
    QString error;
    ShowSchedule(m_timer.Remove(&error) ? QString()
                                        : QStringLiteral("The schedule could not be removed: ") + error);
}
