// The plugin list built from a catalogue: cards, lines, selection, reloads.
#include "support/AppWindow.h"
#include "ui/PluginListStackView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

QList<QWidget*> linesOf(const AppDelegate& delegate)
{
    QList<QWidget*> lines;
    for (int index = 0; index < delegate.listStack->stackLayout()->count(); ++index)
        lines.append(delegate.listStack->stackLayout()->itemAt(index)->widget());
    return lines;
}

QList<QWidget*> slotsOf(QWidget* line)
{
    QList<QWidget*> slots;
    for (int index = 0; index < line->layout()->count(); ++index)
        slots.append(line->layout()->itemAt(index)->widget());
    return slots;
}

QWidget* cardOf(const AppDelegate& delegate, int row)
{
    return delegate.checkboxes[row].first->parentWidget();
}

// Each catalogue after the first is a reload: it starts afresh, every
// checkbox on, the progress at zero.
TEST(PluginList, CardsThreeToALineInCatalogueOrderRebuiltOnEachLoad)
{
    const struct
    {
        int components;
        QList<int> cardsPerLine;
    } cases[] = {{0, {}}, {4, {3, 1}}, {1, {1}}, {7, {3, 3, 1}}};
    BuiltWindow window;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.components);
        const QPointer<QCheckBox> old = window->checkboxes.isEmpty() ? nullptr : window->checkboxes[0].first;
        if (old)
            old->setChecked(false);
        window->setProgressFraction(0.7);
        window->showManifest(testManifest(c.components, QString::number(c.components)));
        EXPECT_TRUE(old.isNull());
        EXPECT_DOUBLE_EQ(window->progressFraction(), 0.0);

        const QList<QWidget*> lines = linesOf(*window);
        ASSERT_EQ(lines.size(), c.cardsPerLine.size());
        QStringList shown;
        for (int line = 0; line < lines.size(); ++line) {
            const QList<QWidget*> slots = slotsOf(lines[line]);
            ASSERT_EQ(slots.size(), 3);
            for (int slot = 0; slot < 3; ++slot) {
                const bool isCard = slot < c.cardsPerLine[line];
                EXPECT_EQ(slots[slot]->objectName(),
                          isCard ? QStringLiteral("pluginCard") : QStringLiteral("emptySlot"));
                if (isCard)
                    shown.append(slots[slot]->findChild<QCheckBox*>()->text());
            }
        }
        QStringList expected;
        for (int row = 0; row < c.components; ++row) {
            expected.append(QStringLiteral("Plugin %1").arg(row + 1));
            EXPECT_EQ(window->checkboxes[row].second, window->manifest->components[row]);
            EXPECT_TRUE(window->checkboxes[row].first->isChecked() &&
                        window->checkboxes[row].first->isEnabled());
            EXPECT_EQ(window->rowStatusLabels[row]->parentWidget(), cardOf(*window, row));
        }
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(window->componentStatusLabels.size(), c.components);
        EXPECT_EQ(window->statusLabel->text(),
                  QStringLiteral("%1 plugins ready \u2014 collection version %1").arg(c.components));
    }
}

// At the smallest window: cards 48 high in equal thirds 7 apart, long texts
// shortened inside the card's insets rather than cut by its edge.
TEST(PluginList, CardsAre48HighInEqualThirdsWhateverTheirTexts)
{
    BuiltWindow window;
    Manifest manifest = testManifest(3);
    manifest.components[0].name =
        QStringLiteral("A plugin with a name far too long to fit on any card at all");
    manifest.components[1].formats = QStringList(12, QStringLiteral("AAX NATIVE"));
    manifest.components[2].formats = {QStringLiteral("AU"), QStringLiteral("VST3"),
                                      QStringLiteral("AAX NATIVE")};
    window->showManifest(manifest);
    window->rowStatusLabels[1]->setText(
        QStringLiteral("v1.0.0 installed, v9.9.9 offered by the catalogue: update"));
    window->window->resize(980, 620);
    settle();
    EXPECT_EQ(cardOf(*window, 2)->findChild<QLabel*>(QStringLiteral("componentFormats"))->text(),
              QStringLiteral("AU  \u2022  VST3  \u2022  AAX NATIVE"));
    const QList<QWidget*> cards = slotsOf(linesOf(*window).front());
    EXPECT_EQ(cards[1]->x() - cards[0]->geometry().right() - 1, 7);
    for (QWidget* card : cards) {
        EXPECT_EQ(card->height(), 48);
        EXPECT_LE(qAbs(card->width() - cards[0]->width()), 1);
        for (QWidget* child : card->findChildren<QWidget*>())
            EXPECT_TRUE(card->rect()
                            .adjusted(10, 7, -10, -7)
                            .contains(QRect(child->mapTo(card, QPoint()), child->size())))
                << child->objectName().toStdString();
    }
}

TEST(PluginList, ListFillsTheViewportKeepsShortListsAtTheTopAndScrollsLongOnes)
{
    BuiltWindow window;
    for (int components : {0, 2}) {
        window->showManifest(testManifest(components));
        settle();
        EXPECT_EQ(window->listStack->size(), window->pluginScrollView->viewport()->size()) << components;
    }
    EXPECT_EQ(linesOf(*window).front()->geometry().topLeft(), QPoint(12, 10));

    window->showManifest(testManifest(60));
    settle();
    EXPECT_EQ(window->listStack->width(), window->pluginScrollView->viewport()->width());
    EXPECT_EQ(window->listStack->height(), 10 + 20 * 48 + 19 * 6 + 10);
    QScrollBar* scroller = window->pluginScrollView->verticalScrollBar();
    scroller->setValue(300);
    window->showManifest(testManifest(60));
    EXPECT_EQ(scroller->value(), 0); // a rebuilt list starts at the top
}

TEST(PluginList, RepeatedSlugGivesEveryCardItsOwnLabel)
{
    BuiltWindow window;
    Manifest manifest = testManifest(3);
    manifest.components[2].slug = manifest.components[0].slug;
    window->showManifest(manifest);

    EXPECT_EQ(window->checkboxes.size(), 3);
    EXPECT_EQ(window->componentStatusLabels.size(), 2);
    // The map keeps the later card's label; the earlier one is reached by row,
    // and the status refresh reaches it too.
    EXPECT_EQ(window->componentStatusLabels.value(QStringLiteral("plugin-1")), window->rowStatusLabels[2]);
    EXPECT_NE(window->rowStatusLabels[0], window->rowStatusLabels[2]);
    EXPECT_NE(window->rowStatusLabels[0]->text(), QStringLiteral("Checking\u2026"));
    EXPECT_EQ(window->rowStatusLabels[0]->text(), window->rowStatusLabels[2]->text());
}

TEST(PluginList, StatusColourSetThroughThePaletteIsDrawn)
{
    // The installed-state refresh colours labels through their palette; the
    // style sheet must not override it, before or after the label is shown.
    BuiltWindow window;
    window->showManifest(testManifest(2));
    const auto paint = [&](QLabel* label) {
        label->setText(QStringLiteral("\u2713 Up to date"));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, window->palette.upToDateGreen);
        label->setPalette(palette);
    };
    paint(window->rowStatusLabels[0]);
    settle();
    paint(window->rowStatusLabels[1]);
    settle();
    for (QLabel* label : window->rowStatusLabels)
        EXPECT_GT(pixelsNear(label->grab().toImage(), window->palette.upToDateGreen, {}, 30), 5);
}

TEST(PluginList, SelectAllSkipsDisabledCheckboxesSelectNoneDoesNot)
{
    BuiltWindow window;
    window->showManifest(testManifest(4));
    QCheckBox* disabled = window->checkboxes[2].first;
    window->selectNoneButton->click();
    EXPECT_TRUE(window->selectedComponents().isEmpty());

    disabled->setEnabled(false);
    window->selectAllButton->click();
    EXPECT_EQ(window->selectedComponents().size(), 3);
    EXPECT_FALSE(disabled->isChecked());

    disabled->setChecked(true);
    window->selectNoneButton->click();
    EXPECT_FALSE(disabled->isChecked());
}

} // namespace
