// The questions and messages the windows put to the user, behind one interface so that tests
// answer them and the program shows real dialogs. GUI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QUrl;
class QWidget;

namespace tellur::ui {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual bool question(QWidget* parent, const QString& title, const QString& text);
    virtual void information(QWidget* parent, const QString& title, const QString& text);
    virtual void warning(QWidget* parent, const QString& title, const QString& text);
    // Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
    // Hands a page to the desktop's browser (xdg-open).
    virtual void openUrl(QWidget* parent, const QUrl& url);
    // A line of text; empty optional when cancelled.
    virtual std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& label,
                                             const QString& initial);
};

} // namespace tellur::ui
