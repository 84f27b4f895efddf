// The program's command-line switches: an argument whose first letter (any case) is the switch,
// its value the argument from the third character on, upper-cased ("Q=90", "s:3").
#pragma once

#include <QStringList>

#include <optional>

namespace tellur::ui {

class CommandSwitches {
public:
    CommandSwitches() = default;
    explicit CommandSwitches(QStringList args) : m_args(std::move(args)) {}

    // The value of the first argument starting with the letter, or nothing when absent.
    std::optional<QString> value(QChar letter) const
    {
        for (const QString& a : m_args) {
            if (a.isEmpty() || a.startsWith("--") || a[0].toUpper() != letter.toUpper())
                continue;
            return a.size() < 3 ? QString() : a.mid(2).toUpper();
        }
        return std::nullopt;
    }
    bool has(QChar letter) const { return value(letter).has_value(); }

    // Minutes of switch Q: below 60 or not a number count as 60.
    std::optional<int> quitMinutes() const
    {
        auto v = value('Q');
        if (!v)
            return std::nullopt;
        bool ok = false;
        const int m = v->toInt(&ok);
        return (!ok || m < 60) ? 60 : m;
    }

    const QStringList& args() const { return m_args; }

private:
    QStringList m_args;
};

} // namespace tellur::ui
