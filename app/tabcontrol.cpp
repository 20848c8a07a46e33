#include "tabcontrol.h"

#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace kv {

TabControl::TabControl(const QStringList& tabs, QWidget* parent)
    : QWidget(parent)
    , bar_(new QTabBar(this))
{
    bar_->setObjectName(QStringLiteral("tabBar"));
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setFocusPolicy(Qt::StrongFocus);
    for (const QString& tab : tabs)
        bar_->addTab(tab);
    connect(bar_, &QTabBar::currentChanged, this, &TabControl::changed);
}

int TabControl::tabIndex() const
{
    return bar_->currentIndex();
}

void TabControl::setTabIndex(int index)
{
    const QSignalBlocker quiet(bar_);
    bar_->setCurrentIndex(index);
}

void TabControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    bar_->setGeometry(2, 0, width() - 4, bar_->sizeHint().height());
}

void TabControl::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, bar_->sizeHint().height() - 1, 0, 0);
    frame.tabBarSize = bar_->sizeHint();
    frame.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

} // namespace kv
