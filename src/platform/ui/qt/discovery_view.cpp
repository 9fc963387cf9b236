#include "platform/ui/qt/discovery_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace trv3::ui::qt {
namespace {

QString shown(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DiscoveryView::DiscoveryView(discovery::DiscoveryControl& control, UserActionGuard& guard, QWidget& parent)
    : QWidget(&parent), control_(control), guard_(guard), list_(new QTreeWidget(this)), status_(new QLabel(this)),
      searchAgain_(new QPushButton(this)), supportedModels_(new QLabel(this)) {
  list_->setObjectName("instruments");
  list_->setColumnCount(ColumnCount);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->header()->setSectionResizeMode(AddressColumn, QHeaderView::Stretch);
  list_->header()->setStretchLastSection(false);
  searchAgain_->setObjectName("searchAgain");
  searchAgain_->setAutoDefault(false);
  status_->setObjectName("searchState");
  supportedModels_->setObjectName("supportedModels");
  // The model names come from a file the user may have edited: text, never markup.
  status_->setTextFormat(Qt::PlainText);
  supportedModels_->setTextFormat(Qt::PlainText);
  supportedModels_->setWordWrap(true);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(searchAgain_);
  auto* layout = new QVBoxLayout(this);
  // The control reaches a pixel past the dialog's edge as designed; its contents keep clear of it.
  layout->setContentsMargins(0, 0, 2, 0);
  layout->addWidget(list_, 1);
  layout->addLayout(bottom);
  layout->addWidget(supportedModels_);

  connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { userPicked(); });
  connect(searchAgain_, &QPushButton::clicked, this, [this] { guard_.run([this] { control_.searchAgain(); }); });
  listener_ = control_.addChangeListener([this](discovery::DiscoveryChange change) { changed(change); });
  // Called on a search thread: only posts the taking of the findings to this view's thread; posted
  // calls still waiting when the view goes are dropped with it.
  control_.setResultsPendingHandler([this] {
    QMetaObject::invokeMethod(this, [this] { guard_.run([this] { control_.pollResults(); }); }, Qt::QueuedConnection);
  });

  showTexts();
  showInstruments();
  showSearchState();
  showProperties();
}

DiscoveryView::~DiscoveryView() {
  // Returns only when no search thread is inside the old handler.
  control_.setResultsPendingHandler(nullptr);
  control_.removeChangeListener(listener_);
}

void DiscoveryView::changed(discovery::DiscoveryChange change) {
  using discovery::DiscoveryChange;
  switch (change) {
    case DiscoveryChange::Language: showTexts(); showInstruments(); showSearchState(); break;
    // Support is judged against the new settings' models, and their selection is shown.
    case DiscoveryChange::Settings: showTexts(); showInstruments(); break;
    case DiscoveryChange::Instruments: showInstruments(); showSearchState(); break;
    case DiscoveryChange::Selection: showSelection(); break;
    case DiscoveryChange::Busy: showSearchState(); break;
    case DiscoveryChange::Properties: showProperties(); break;
  }
}

void DiscoveryView::showTexts() {
  const discovery::DiscoveryTexts& texts = control_.texts();
  list_->setHeaderLabels({shown(texts.columnAddress), shown(texts.columnMaker), shown(texts.columnModel),
                          shown(texts.columnSupported)});
  searchAgain_->setText(shown(texts.searchAgain));
  supportedModels_->setText(shown(control_.supportedInstrumentsText()));
}

void DiscoveryView::showInstruments() {
  const discovery::DiscoveryTexts& texts = control_.texts();
  const QSignalBlocker quiet(list_);
  list_->clear();
  for (const discovery::FoundInstrument& found : control_.instruments()) {
    auto* row = new QTreeWidgetItem(list_, {shown(found.resourceAddress), shown(found.maker), shown(found.model),
                                            shown(found.supported ? texts.yes : texts.no)});
    // Shown, but greyed and not to be picked.
    if (!found.supported) row->setFlags(Qt::NoItemFlags);
  }
  for (int column = MakerColumn; column < ColumnCount; ++column) list_->resizeColumnToContents(column);
  showSelection();
}

void DiscoveryView::showSelection() {
  const QSignalBlocker quiet(list_);
  list_->clearSelection();
  if (const auto selected = control_.selectedIndex())
    if (QTreeWidgetItem* row = list_->topLevelItem(static_cast<int>(*selected))) {
      row->setSelected(true);
      list_->setCurrentItem(row);
    }
}

void DiscoveryView::showSearchState() {
  const discovery::DiscoveryTexts& texts = control_.texts();
  QString state;
  if (control_.busy()) state = shown(texts.searching);
  else if (control_.searched() && control_.instruments().empty()) state = shown(texts.noneFound);
  status_->setText(state);
  searchAgain_->setEnabled(!control_.busy());
}

void DiscoveryView::showProperties() {
  searchAgain_->setVisible(control_.connectButtonsVisible());
  supportedModels_->setVisible(control_.supportedInstrumentsLabelVisible());
}

void DiscoveryView::userPicked() {
  const QList<QTreeWidgetItem*> picked = list_->selectedItems();
  // An empty list selection is the user taking the pick back (Ctrl+click, a click beside the
  // rows): the control must not keep an instrument that no longer shows as picked.
  const int row = picked.isEmpty() ? -1 : list_->indexOfTopLevelItem(picked.front());
  guard_.run([this, row] {
    if (row < 0)
      control_.clearSelection();
    else
      control_.select(static_cast<size_t>(row));
  });
  // A refused pick shows the control's selection again.
  showSelection();
}

}  // namespace trv3::ui::qt
