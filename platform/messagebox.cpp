#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace kv {

namespace {

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::NoButton);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    // Centred on the screen, not on whichever window happens to be active.
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = box.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        box.move(frame.topLeft());
    }
    box.exec();
}

} // namespace

MessageBox::Recorder& MessageBox::recorder()
{
    static Recorder instance;
    return instance;
}

void MessageBox::setRecorder(Recorder r)
{
    recorder() = std::move(r);
}

void MessageBox::information(const QString& text)
{
    if (recorder()) {
        recorder()(Kind::Information, text);
        return;
    }
    showBox(QMessageBox::NoIcon, text);
}

void MessageBox::error(const QString& message)
{
    const QString text = errorText(message);
    if (recorder()) {
        recorder()(Kind::Error, text);
        return;
    }
    showBox(QMessageBox::Critical, text);
}

QString MessageBox::errorText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void reportError(const std::exception& error)
{
    MessageBox::error(QString::fromUtf8(error.what()));
}

} // namespace kv
