#include "mainwindow/SectionButtons.h"

#include "controls/MubCommand.h"
#include "mainwindow/NavigationTree.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAbstractButton>
#include <QTimer>
#include <QTreeWidget>

namespace mainwindow {

SectionButtons::SectionButtons(QWidget* area, QTreeWidget* tree, QAbstractButton* hideTree)
    : QObject(area), area_(area), tree_(tree), hideTree_(hideTree) {}

controls::MubCommand* SectionButtons::Item(int index) const {
    if (index < 1 || index > int(items_.size())) return nullptr;
    return items_[size_t(index - 1)];
}

void SectionButtons::Build(const Place& place) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (*it) {
            (*it)->hide();
            (*it)->deleteLater();
        }
    items_.clear();
    hideTree_->setEnabled(true);

    QTreeWidgetItem* section = tree_->currentItem();
    if (!section || !NodeKey(section).isEmpty()) return;

    const auto px = [this](double twips) { return startup::TwipsToPixels(twips, area_); };
    double x = place.splitterLeft + kColumnGap;
    double y = place.treeTop + kRowGap;
    if (section->childCount() > 0) {
        auto* title = new controls::MubCommand(area_);
        title->setObjectName(QStringLiteral("acmdSectionItem"));
        title->setProperty("Index", 1);
        title->SetCaption(QStringLiteral("VOCI PRINCIPALI PER LA SEZIONE ") + section->text(0).toUpper() +
                          QStringLiteral(" :"));
        title->setEnabled(false);
        title->setStyleSheet(
            QStringLiteral("QPushButton { background-color: #E0E0E0; color: #202020; "
                           "border: 1px solid #B0B0B0; text-align: left; padding-left: 8px; }"));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        const double titleHeight = kHeight / 2.0;
        const double titleWidth = std::max(0.0, place.innerWidth - x - kTitleRightGap);
        title->setGeometry(px(x), px(y), px(titleWidth), px(titleHeight));
        title->setVisible(titleWidth > 0);
        items_.push_back(title);
        y += titleHeight + kRowGap;

        for (int i = 0; i < section->childCount(); ++i) {
            QTreeWidgetItem* child = section->child(i);
            if (child->text(0).isEmpty()) continue;
            auto* button = new controls::MubCommand(area_);
            button->setObjectName(QStringLiteral("acmdSectionItem"));
            button->setProperty("Index", int(items_.size()) + 1);
            button->SetCaption(child->text(0));
            const QString key = NodeKey(child);
            button->SetTag(key.isEmpty() ? QString::number(NodePosition(child)) : key);
            button->setToolTip(
                QStringLiteral("Apre la sezione <") + child->text(0) +
                QStringLiteral("> per la Visualizzazione/Modifica dei dati oppure per la Stampa..."));
            if (!NodeImageKey(child).isEmpty()) {
                button->SetPicture(TreeImage(NodeImageKey(child)));
                button->SetPictureAbove(true);
            }
            if (y + kHeight >= place.innerHeight - kRowGap) {
                x += kWidth + kColumnGap;
                y = place.treeTop + kRowGap + titleHeight + kRowGap;
            }
            QFont plain = button->font();
            plain.setBold(false);
            button->setFont(plain);
            button->setGeometry(px(x), px(y), px(kWidth), px(kHeight));
            button->show();
            button->raise();
            // Handled once the click's own event is over: the rebuild it
            // starts removes this very button.
            platform::connectGuarded(button, &QAbstractButton::clicked, this, [this, tag = button->Tag()] {
                QTimer::singleShot(0, this, [this, tag] { Follow(tag); });
            });
            items_.push_back(button);
            y += kHeight + kRowGap;
        }
        title->raise();
    }
    hideTree_->setEnabled(false);
}

void SectionButtons::Follow(const QString& tag) {
    bool numeric = false;
    const int position = tag.toInt(&numeric);
    QTreeWidgetItem* node = numeric ? NodeAt(tree_, position) : NodeByKey(tree_, tag);
    // Selected without the tree's own handling: the view is built once, by
    // whoever follows refreshRequested.
    if (node) {
        const QSignalBlocker quiet(tree_);
        tree_->setCurrentItem(node);
    }
    emit refreshRequested();
}

}  // namespace mainwindow
