#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

MessageBoxes *&current()
{
    static MessageBoxes *boxes = nullptr;
    return boxes;
}

// The texts use a lone carriage return as a line break; Qt's boxes break on '\n'.
QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

} // namespace

MessageBoxes::~MessageBoxes() = default;

QString applicationTitle()
{
    return QStringLiteral("Веланика");
}

QString mnemonicToRichText(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'&' && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            if (next == u'&')
                out += QStringLiteral("&amp;");
            else
                out += QStringLiteral("<u>") + QString(next).toHtmlEscaped() + QStringLiteral("</u>");
            continue;
        }
        if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += QStringLiteral("<br>");
            continue;
        }
        out += QString(c).toHtmlEscaped();
    }
    return out;
}

QWidget *frontWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
            window->windowType() != Qt::Popup && window->windowType() != Qt::ToolTip)
            return window;
    }
    return nullptr;
}

BoxAnswer WidgetMessageBoxes::show(const BoxRecord &box)
{
    QMessageBox mb(box.parent.data());
    mb.setWindowTitle(box.title);
    switch (box.kind) {
    case BoxKind::Information:
        mb.setIcon(QMessageBox::Information);
        mb.setTextFormat(Qt::RichText);
        mb.setText(mnemonicToRichText(box.text));
        break;
    case BoxKind::Error:
    case BoxKind::StandardError:
        mb.setIcon(QMessageBox::Critical);
        mb.setTextFormat(Qt::PlainText);
        mb.setText(displayText(box.text));
        break;
    case BoxKind::Plain:
        mb.setIcon(QMessageBox::NoIcon);
        mb.setTextFormat(Qt::PlainText);
        mb.setText(displayText(box.text));
        break;
    case BoxKind::Question:
        mb.setIcon(QMessageBox::Question);
        mb.setTextFormat(Qt::PlainText);
        mb.setText(displayText(box.text));
        break;
    }
    const bool retry = box.buttons == BoxButtons::RetryCancel;
    QPushButton *ok = mb.addButton(box.captions.value(0, retry ? QStringLiteral("Повторить") : QStringLiteral("OK")),
                                   QMessageBox::AcceptRole);
    QPushButton *cancel = nullptr;
    QPushButton *other = nullptr;
    if (box.buttons == BoxButtons::OkCancel)
        cancel = mb.addButton(box.captions.value(1, QStringLiteral("Cancel")), QMessageBox::RejectRole);
    else if (retry)
        cancel = mb.addButton(box.captions.value(1, QStringLiteral("Отмена")), QMessageBox::RejectRole);
    else if (box.buttons == BoxButtons::OkOther)
        other = mb.addButton(box.captions.value(1), QMessageBox::ActionRole);
    mb.setDefaultButton(ok);
    mb.setEscapeButton(cancel ? cancel : ok);
    mb.exec();
    if (other && mb.clickedButton() == other)
        return BoxAnswer::Other;
    return mb.clickedButton() == ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

ScriptedMessageBoxes::ScriptedMessageBoxes() : m_previous(current())
{
    current() = this;
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    current() = m_previous;
}

BoxAnswer ScriptedMessageBoxes::show(const BoxRecord &box)
{
    records.append(box);
    if (onShow)
        onShow(box);
    if (answers.isEmpty())
        return BoxAnswer::Ok;
    return answers.takeFirst();
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList list;
    for (const BoxRecord &r : records)
        list.append(r.text);
    return list;
}

MessageBoxes &messageBoxes()
{
    static WidgetMessageBoxes widgetBoxes;
    MessageBoxes *boxes = current();
    return boxes ? *boxes : widgetBoxes;
}

void setMessageBoxes(MessageBoxes *boxes)
{
    current() = boxes;
}

BoxAnswer informationBox(const QString &text, BoxButtons buttons)
{
    return messageBoxes().show({BoxKind::Information, QStringLiteral("Information"), text, buttons, frontWindow()});
}

void errorBox(const QString &text, const QString &caption)
{
    messageBoxes().show({BoxKind::Error, caption, text, BoxButtons::Ok, frontWindow()});
}

BoxAnswer retryBox(const QString &text)
{
    return messageBoxes().show(
        {BoxKind::Error, QStringLiteral("Ошибка"), text, BoxButtons::RetryCancel, frontWindow()});
}

void plainBox(const QString &text)
{
    messageBoxes().show({BoxKind::Plain, applicationTitle(), text, BoxButtons::Ok, frontWindow()});
}

BoxAnswer plainBox(const QString &text, const QString &otherButton)
{
    return messageBoxes().show({BoxKind::Plain,
                                applicationTitle(),
                                text,
                                BoxButtons::OkOther,
                                frontWindow(),
                                {QStringLiteral("OK"), otherButton}});
}

BoxAnswer questionBox(const QString &text, const QString &yesButton, const QString &noButton)
{
    return messageBoxes().show(
        {BoxKind::Question, applicationTitle(), text, BoxButtons::OkCancel, frontWindow(), {yesButton, noButton}});
}

void standardErrorBox(const QString &text)
{
    messageBoxes().show({BoxKind::StandardError, applicationTitle(), text, BoxButtons::Ok, frontWindow()});
}

} // namespace platform
