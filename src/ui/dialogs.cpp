#include "ui/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace tellur::ui {

bool Dialogs::question(QWidget* parent, const QString& title, const QString& text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void Dialogs::information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text);
}

void Dialogs::warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

QString Dialogs::openFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString Dialogs::saveFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

void Dialogs::openUrl(QWidget*, const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

std::optional<QString> Dialogs::inputText(QWidget* parent, const QString& title, const QString& label,
                                          const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

} // namespace tellur::ui
