#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace platform {

enum class BoxKind
{
    Information,   // title "Information", information icon
    Error,         // caption given by the caller ("Ошибка"), stop icon
    Plain,         // no icon, one OK
    StandardError, // an error that stopped a handler
    Question,      // question icon, the program's title
};
enum class BoxButtons
{
    Ok,
    OkCancel,
    RetryCancel, // "Повторить" answers Ok, "Отмена" Cancel
    OkOther      // OK and a second button that answers Other; Escape answers OK
};
enum class BoxAnswer
{
    Ok,
    Cancel,
    Other
};

struct BoxRecord
{
    BoxKind kind;
    QString title;
    QString text;
    BoxButtons buttons;
    // The window the box belongs to (frontWindow() when it was asked for), so the box is kept
    // above it, even above a window that stays on top.
    QPointer<QWidget> parent;
    // The buttons' captions in place of "OK" and the second one's ("Cancel"), where given.
    QStringList captions = {};
};

// Every message box of the program goes through here, so tests can record and answer them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes();
    virtual BoxAnswer show(const BoxRecord &box) = 0;
};

// Real modal boxes. In the text of an information box '&' marks a mnemonic: the letter after it is
// underlined and "&&" stands for an ampersand.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    BoxAnswer show(const BoxRecord &box) override;
};

// For tests: records each box and answers from a queue (OK when the queue is empty).
// onShow runs while the box would be open, as a modal box lets the event loop run.
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;
    ScriptedMessageBoxes(const ScriptedMessageBoxes &) = delete;
    ScriptedMessageBoxes &operator=(const ScriptedMessageBoxes &) = delete;

    BoxAnswer show(const BoxRecord &box) override;

    QList<BoxRecord> records;
    QList<BoxAnswer> answers;
    std::function<void(const BoxRecord &)> onShow;

    QStringList texts() const;

private:
    MessageBoxes *m_previous;
};

MessageBoxes &messageBoxes();
void setMessageBoxes(MessageBoxes *boxes); // nullptr restores the widget boxes

// The window a box or a notice belongs to: the active modal box, else the active window, else a
// visible window that stays on top (it would cover anything else), else none.
QWidget *frontWindow();

// Title used by the plain box and the standard error box.
QString applicationTitle();

BoxAnswer informationBox(const QString &text, BoxButtons buttons = BoxButtons::Ok);
void errorBox(const QString &text, const QString &caption = QStringLiteral("Ошибка"));
// An error that may pass (the server away): "Повторить" (Ok) or "Отмена" (Cancel).
BoxAnswer retryBox(const QString &text);
void plainBox(const QString &text);
void standardErrorBox(const QString &text);
// A plain box whose second button offers something more: Other when it is pressed.
BoxAnswer plainBox(const QString &text, const QString &otherButton);
// A question answered by one of two buttons: Ok for yes, Cancel for no (Escape).
BoxAnswer questionBox(const QString &text, const QString &yesButton, const QString &noButton);

// "&Вы" -> "Вы" with the mnemonic letter marked for rich text ("<u>В</u>ы"); "&&" -> "&".
QString mnemonicToRichText(const QString &text);

} // namespace platform
