// An event filter for combo boxes whose selection switches the station: keys typed into them
// would change the operating type, FAX mode or zoom behind the user's back, so only Tab and
// Backtab get through (focus still moves on).
#pragma once

#include <QKeyEvent>
#include <QObject>

namespace tellur::ui {

class KeySwallower : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() != Qt::Key_Tab && k->key() != Qt::Key_Backtab)
                return true;
        }
        return QObject::eventFilter(o, e);
    }
};

} // namespace tellur::ui
