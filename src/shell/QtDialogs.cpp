#include "shell/QtDialogs.h"

#include "settings/ColorNumber.h"
#include "shell/ChosenSuffix.h"
#include "windows/TableChooser.h"
#include "windows/TimedMessage.h"
#include "windows/UserTextDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

namespace k7 {

namespace {

// The button the style names as default; without a flag Qt's own choice (the
// first button, Yes or Ok) stands.
void setDefaultButton(QMessageBox& box, int style)
{
    int position = 0;
    if (style & Style::DefaultButton3)
        position = 2;
    else if (style & Style::DefaultButton2)
        position = 1;
    else
        return;
    QList<QMessageBox::StandardButton> order;
    switch (style & 7) {
    case Style::OkCancel: order = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case Style::YesNoCancel: order = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    case Style::YesNo: order = {QMessageBox::Yes, QMessageBox::No}; break;
    default: order = {QMessageBox::Ok}; break;
    }
    if (position < order.size())
        box.setDefaultButton(order[position]);
}

}  // namespace

int QtDialogs::message(const QString& text, int style)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("K7"));
    box.setText(text);
    switch (style & 0x70) {
    case Style::Critical: box.setIcon(QMessageBox::Critical); break;
    case Style::Question: box.setIcon(QMessageBox::Question); break;
    case Style::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Style::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 7) {
    case Style::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Style::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Style::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    setDefaultButton(box, style);
    // A question must be answered with the arrow pointer, whatever runs behind it.
    const bool busy = m_busyDepth > 0;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    switch (result) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return (style & 7) == Style::OkOnly ? Answer::Ok : Answer::Cancel;
    }
}

QString QtDialogs::openFileName(const QString& title, const QString& filter,
                                const QString& directory)
{
    return QFileDialog::getOpenFileName(m_parent, title, directory, filter);
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter,
                                const QString& directory)
{
    // The editor asks its own overwrite question, so Qt's is switched off.
    QString chosen;
    const QString path = QFileDialog::getSaveFileName(m_parent, title, directory, filter, &chosen,
                                                      QFileDialog::DontConfirmOverwrite);
    return WithChosenSuffix(path, chosen);
}

std::optional<QString> QtDialogs::inputText(const QString& prompt, const QString& initial)
{
    return inputTextWithCaption(prompt, initial, QString());
}

std::optional<QString> QtDialogs::inputPassword(const QString& prompt)
{
    bool ok = false;
    const QString typed =
        QInputDialog::getText(m_parent, QStringLiteral("K7"), prompt, QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return typed;
}

std::optional<QString> QtDialogs::inputTextWithCaption(const QString& prompt, const QString& initial,
                                                       const QString& caption)
{
    UserTextDialog dialog(m_parent);
    if (!caption.isEmpty())
        dialog.setWindowTitle(caption);
    dialog.setPrompt(prompt);
    dialog.setResponse(initial);
    dialog.exec();
    if (dialog.button() != QLatin1String("Ok"))
        return std::nullopt;
    return dialog.response();
}

std::optional<QString> QtDialogs::chooseTable(const QStringList& tables)
{
    TableChooser chooser(m_parent);
    chooser.setTables(tables);
    chooser.exec();
    if (chooser.chosenTable().isEmpty())
        return std::nullopt;
    return chooser.chosenTable();
}

std::optional<long> QtDialogs::chooseColor(long initial)
{
    const QColor chosen = QColorDialog::getColor(colorFromNumber(initial), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return numberFromColor(chosen);
}

void QtDialogs::timedMessage(const QString& text, int milliseconds)
{
    TimedMessage window(m_parent);
    window.setText(text);
    window.setInterval(milliseconds);
    window.exec();
}

void QtDialogs::setBusy(bool busy)
{
    if (busy) {
        ++m_busyDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        --m_busyDepth;
        QApplication::restoreOverrideCursor();
    }
}

bool QtDialogs::runWithProgress(const QString& text, SteppedWork& work)
{
    // The slices run from a timer of a local event loop, so the window
    // repaints between them; the dialog appears only when the work has taken
    // a second, and being modal it keeps the menus from starting anything else.
    constexpr int kScale = 1000;
    QProgressDialog dialog(text, QStringLiteral("Cancel"), 0, kScale, m_parent);
    dialog.setObjectName(QStringLiteral("progress"));
    dialog.setWindowTitle(QStringLiteral("K7"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(1000);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);

    QEventLoop loop;
    bool cancelled = false;
    QTimer slices;
    slices.setInterval(0);
    QObject::connect(&slices, &QTimer::timeout, &loop, [&] {
        if (cancelled || !work.step()) {
            loop.quit();
            return;
        }
        const qint64 total = work.total();
        if (total <= 0) {
            // Work that cannot tell how far it is (a sort inside the
            // engine) shows a busy bar rather than a fraction.
            dialog.setRange(0, 0);
            return;
        }
        dialog.setRange(0, kScale);
        dialog.setValue(static_cast<int>(std::clamp<qint64>(work.done() * kScale / total, 0, kScale - 1)));
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    slices.start();
    loop.exec();
    slices.stop();
    return !cancelled;
}

}  // namespace k7
