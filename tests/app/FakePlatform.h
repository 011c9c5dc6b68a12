#pragma once

#include "PlatformServices.h"

#include <QStringList>

// Answers the desktop's questions from a script and records what the window showed.
class FakePlatform final : public PlatformServices
{
public:
    void ShowCritical(QWidget *, const QString &text) override { messages.append(text); }
    QString AskText(QWidget *, const QString &prompt, const QString &initial) override
    {
        prompts.append(prompt);
        initials.append(initial);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString PickFolder(QWidget *, const QString &, const QString &startFolder) override
    {
        pickerStartedIn = startFolder;
        return folderAnswer;
    }
    bool Confirm(QWidget *, const QString &question) override
    {
        questions.append(question);
        return confirm;
    }
    QString PickFile(QWidget *, const QString &, const QString &) override { return fileAnswer; }
    QString OpenHelp(const QString &path) override
    {
        helpOpened.append(path);
        return helpMissing;
    }
    QDate CurrentDate() override { return today; }
    QSize ScreenSize() override { return screen; }

    QStringList messages, prompts, initials, answers, helpOpened, questions;
    QString folderAnswer, pickerStartedIn, fileAnswer;
    bool confirm = true;
    QString helpMissing; // what OpenHelp says is missing; empty: the help is shown
    QDate today{2026, 12, 6};
    QSize screen{1920, 1080};
};
