#include "app/ui/small_windows.h"

#include "ui/station_context.h"
#include "platform/system_services.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tellur::ui {

TStartLogoForm::TStartLogoForm(QWidget* parent)
    : TMyform(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("TStartLogoForm");
    setSwallowAltF4(true);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* title = new QLabel("Tellur32", this);
    title->setObjectName("TitleLabel");
    QFont f = title->font();
    f.setPointSize(f.pointSize() * 3);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel("Version 1.40 pre", this);
    version->setObjectName("VersionLabel");
    version->setAlignment(Qt::AlignCenter);
    auto* sub = new QLabel("FAX \u00b7 SSTV \u00b7 RTTY \u00b7 NAVTEX station", this);
    sub->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(sub);
    setStyleSheet("TStartLogoForm { background: #10243e; border: 2px solid #5f8fc0; } QLabel { color: #e8f0ff; }");
    setAttribute(Qt::WA_StyledBackground);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(2500);
    connect(m_timer, &QTimer::timeout, this, &QWidget::close);
}

void TStartLogoForm::startCloseTimer()
{
    m_timer->start();
}

TUsageWin::TUsageWin(StationContext& station, QWidget* parent)
    : TMyform(parent, Qt::Tool)
    , m_station(station)
{
    setObjectName("TUsageWin");
    setWindowTitle("Usage Window");
    setSwallowAltF4(true);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const auto& fig : platform::memoryFigures()) {
        auto* v = new QLabel(this);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        v->setMinimumWidth(110);
        form->addRow(fig.label, v);
        m_values.push_back(v);
    }
    layout->addLayout(form);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("CloseButton");
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TUsageWin::refresh);
    m_timer->start();
    refresh();
    const int left = station.config.i32(cfg::kUsageWindowLeft);
    const int top = station.config.i32(cfg::kUsageWindowTop);
    if (left != cfg::kWindowUnset && top != cfg::kWindowUnset)
        move(left, top);
}

void TUsageWin::refresh()
{
    const auto figs = platform::memoryFigures();
    const QLocale locale;
    for (std::size_t i = 0; i < figs.size() && i < m_values.size(); ++i)
        m_values[i]->setText(locale.toString(qulonglong(figs[i].bytes)));
}

void TUsageWin::closeEvent(QCloseEvent* e)
{
    if (e->spontaneous()) { // Alt+F4: only the Close button closes it
        e->ignore();
        return;
    }
    m_station.config.setI32(cfg::kUsageWindowLeft, x());
    m_station.config.setI32(cfg::kUsageWindowTop, y());
    Q_EMIT closed();
    e->accept();
}

TFirsttimeWin::TFirsttimeWin(int language, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("TFirsttimeWin");
    setWindowTitle("Tellur32 first time configuration");
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox("Help language", this);
    box->setObjectName("LanguageGroup");
    auto* boxLayout = new QVBoxLayout(box);
    m_group = new QButtonGroup(this);
    const char* texts[] = {"Use English help file", "Deutsche Hilfe benutzen", "Usar ayuda Español",
                           "Utiliser l'aide Française", "Japanese help", "Italian help", "Russian help"};
    for (int i = 0; i < 7; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(texts[i]), box);
        m_group->addButton(r, i);
        boxLayout->addWidget(r);
    }
    if (auto* b = m_group->button(language >= 0 && language < 7 ? language : 0))
        b->setChecked(true);
    layout->addWidget(box);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int TFirsttimeWin::language() const
{
    return m_group->checkedId() < 0 ? 0 : m_group->checkedId();
}

} // namespace tellur::ui
