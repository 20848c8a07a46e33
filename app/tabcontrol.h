#pragma once

#include <QWidget>

class QTabBar;

namespace kv {

// A tab strip over one shared page area. The pages are whatever the owner
// shows on it; selecting a tab only tells the owner, which swaps them.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(const QStringList& tabs, QWidget* parent = nullptr);

    QTabBar* tabBar() const { return bar_; }
    int tabIndex() const;
    // Selecting from code does not raise changed().
    void setTabIndex(int index);

signals:
    // The user selected another tab.
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* bar_;
};

} // namespace kv
