// The tab control: a row of tabs over a panel, with one page of controls per tab. A page covers
// the whole control, as the design places page controls relative to the control's top left corner
// (the tabs included); only the selected tab's page is shown.
#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <vector>

#include "platform/ui/qt/control_bindings.h"

namespace trv3::ui::qt {
namespace {

class TabControlWidget : public QWidget {
 public:
  TabControlWidget(int16_t tabCount, QWidget& parent) : QWidget(&parent), bar_(new QTabBar(this)) {
    bar_->setExpanding(true);
    bar_->setDrawBase(false);
    for (int16_t tab = 0; tab < tabCount; ++tab) {
      bar_->addTab(QString());
      pages_.push_back(new QWidget(this));
    }
    // Above the pages, which cover it, so that the tabs take the clicks.
    bar_->raise();
  }

  QTabBar& bar() const { return *bar_; }
  QWidget& page(int16_t tab) const { return *pages_.at(static_cast<size_t>(tab)); }

  void setCaption(int16_t tab, const QString& caption) {
    bar_->setTabText(tab, caption);
    layoutBar();
  }

  void showTab(int16_t tab) {
    const QSignalBlocker quiet(bar_);
    bar_->setCurrentIndex(tab);
    for (size_t index = 0; index < pages_.size(); ++index) pages_[index]->setVisible(static_cast<int16_t>(index) == tab);
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    layoutBar();
    for (QWidget* page : pages_) page->setGeometry(rect());
  }

  // Captions and fonts change the height of the tabs.
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::FontChange) layoutBar();
    QWidget::changeEvent(event);
  }

  void paintEvent(QPaintEvent*) override {
    QStyleOptionTabWidgetFrame panel;
    panel.initFrom(this);
    panel.rect = rect().adjusted(0, bar_->height() - 1, 0, 0);
    panel.shape = QTabBar::RoundedNorth;
    panel.tabBarSize = bar_->size();
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &panel, &painter, this);
  }

 private:
  void layoutBar() { bar_->setGeometry(0, 0, width(), bar_->sizeHint().height()); }

  QTabBar* bar_;
  std::vector<QWidget*> pages_;
};

class TabControlBinding : public ControlBinding {
 public:
  TabControlBinding(TabControl& tabs, TabControlWidget& widget, UserActionGuard& guard)
      : ControlBinding(tabs, widget, guard), tabs_(tabs), widget_(widget) {
    listen(QObject::connect(&widget_.bar(), &QTabBar::currentChanged, [this](int tab) {
      this->guard().run([this, tab] { tabs_.userSelectTab(static_cast<int16_t>(tab)); });
      widget_.showTab(tabs_.tab());
    }));
    listen(QObject::connect(&widget_.bar(), &QTabBar::tabBarDoubleClicked,
                            [this](int) { this->guard().run([this] { tabs_.userDoubleClick(); }); }));
  }

  QWidget& containerFor(int16_t tabPage) override { return widget_.page(tabPage); }

 protected:
  void refresh(Property property) override {
    if (property == Property::TabCaption) {
      for (int16_t tab = 0; tab < tabs_.tabCount(); ++tab)
        widget_.setCaption(tab, QString::fromStdString(tabs_.tabCaption(tab)));
    }
    if (property == Property::SelectedTab) widget_.showTab(tabs_.tab());
  }

 private:
  TabControl& tabs_;
  TabControlWidget& widget_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindTabControl(TabControl& tabs, QWidget& parent, UserActionGuard& guard) {
  return std::make_unique<TabControlBinding>(tabs, *new TabControlWidget(tabs.tabCount(), parent), guard);
}

}  // namespace trv3::ui::qt
