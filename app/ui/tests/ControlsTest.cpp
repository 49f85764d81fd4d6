// The bitmap button, the combo box with its stand-in and the wrapping label
// of a check box, on offscreen widgets.
#include "app/ui/ButtonTP.h"
#include "app/ui/CheckBoxLabel.h"
#include "app/ui/ExtComboBox.h"
#include "app/ui/SelectComboItemByData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The button as it paints itself.
QImage rendered(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  widget.render(&image);
  return image;
}

// Whether `image` holds `bitmap` unchanged with its top-left corner at `at`.
bool holdsBitmapAt(const QImage& image, const QImage& bitmap, QPoint at) {
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      if (image.pixel(at.x() + x, at.y() + y) != bitmap.pixel(x, y))
        return false;
  return true;
}

TEST(ButtonTP, DrawsItsBitmapUnchangedInTheMiddleAndOnePixelDownRightWhilePushed) {
  CButtonTP button("&Take picture");
  button.resize(81, 50);
  ASSERT_GT(button.bitmapWidth(), 0);
  ASSERT_GT(button.bitmapHeight(), 0);
  const QImage bitmap = button.bitmap().toImage().convertToFormat(QImage::Format_ARGB32);
  const QPoint centred((81 - button.bitmapWidth()) / 2, (50 - button.bitmapHeight()) / 2);

  EXPECT_EQ(QRect(centred, bitmap.size()), button.bitmapRect());
  EXPECT_TRUE(holdsBitmapAt(rendered(button), bitmap, centred));

  button.setDown(true);
  EXPECT_EQ(QRect(centred + QPoint(1, 1), bitmap.size()), button.bitmapRect());
  const QImage pushed = rendered(button);
  EXPECT_TRUE(holdsBitmapAt(pushed, bitmap, centred + QPoint(1, 1)));
  EXPECT_FALSE(holdsBitmapAt(pushed, bitmap, centred));
  button.setDown(false);

  // Disabled, the bitmap is drawn greyed.
  button.setEnabled(false);
  EXPECT_FALSE(holdsBitmapAt(rendered(button), bitmap, centred));
  button.setEnabled(true);

  // The focus is drawn exactly around the bitmap and nowhere else.
  QWidget window;
  auto* focused = new CButtonTP("&Take picture", &window);
  focused->setGeometry(0, 0, 81, 50);
  window.show();
  QApplication::setActiveWindow(&window);
  focused->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(focused->hasFocus());
  {
    const QImage withFocus = rendered(*focused);
    focused->clearFocus();
    const QImage withoutFocus = rendered(*focused);
    int changed = 0;
    for (int y = 0; y < withFocus.height(); ++y)
      for (int x = 0; x < withFocus.width(); ++x)
        if (withFocus.pixel(x, y) != withoutFocus.pixel(x, y)) {
          ++changed;
          EXPECT_TRUE(focused->bitmapRect().contains(x, y)) << x << "," << y;
        }
    EXPECT_GT(changed, 0);
  }

  // The bitmap fits the button the layouts give it.
  EXPECT_GE(button.sizeHint().width(), button.bitmapWidth());
  EXPECT_GE(button.sizeHint().height(), button.bitmapHeight());
}

TEST(ExtComboBox, StandsAsideForOneDisabledPlaceholderMadeOnce) {
  QWidget parent;
  auto* layout = new QHBoxLayout(&parent);
  auto* combo = new CExtComboBox(153, &parent);
  layout->addWidget(combo);
  combo->addItems({"f/2.8", "f/4", "f/5.6"});
  combo->setCurrentIndex(1);
  QFont font = combo->font();
  font.setPointSize(font.pointSize() + 3);
  combo->setFont(font);
  parent.resize(300, 60);
  parent.show();
  EXPECT_EQ(nullptr, combo->placeholderBox());

  combo->ShowUnavailable(true);
  QComboBox* placeholder = combo->placeholderBox();
  ASSERT_NE(nullptr, placeholder);
  EXPECT_EQ(&parent, placeholder->parentWidget());
  EXPECT_EQ(combo->geometry(), placeholder->geometry());
  EXPECT_EQ(combo->font(), placeholder->font());
  EXPECT_FALSE(placeholder->isEnabled());
  EXPECT_TRUE(placeholder->isVisible());
  ASSERT_EQ(1, placeholder->count());
  EXPECT_EQ(QString("Auto"), placeholder->currentText());
  EXPECT_FALSE(combo->isVisible());
  EXPECT_FALSE(combo->isEnabled());

  combo->ShowUnavailable(true);
  EXPECT_EQ(placeholder, combo->placeholderBox());
  EXPECT_EQ(2, parent.findChildren<QComboBox*>().size());

  combo->ShowUnavailable(false);
  EXPECT_FALSE(placeholder->isVisible());
  EXPECT_TRUE(combo->isVisible());
  EXPECT_TRUE(combo->isEnabled());
  // The real box kept its items and choice.
  EXPECT_EQ(QString("f/4"), combo->currentText());

  // Switched back and forth again, the stand-in follows the box.
  parent.resize(500, 80);
  QApplication::processEvents();
  combo->ShowUnavailable(true);
  EXPECT_EQ(combo->geometry(), placeholder->geometry());
  EXPECT_EQ(2, parent.findChildren<QComboBox*>().size());
}

TEST(ExtComboBox, ShowingAvailableBeforeAnyPlaceholderJustEnablesTheBox) {
  QWidget parent;
  auto* combo = new CExtComboBox(152, &parent);
  combo->setEnabled(false);
  combo->ShowUnavailable(false);
  EXPECT_TRUE(combo->isEnabled());
  EXPECT_EQ(nullptr, combo->placeholderBox());
}

TEST(ExtComboBox, DestroyingTheBoxOrItsParentFreesThePlaceholderOnce) {
  {
    QWidget parent;
    auto* combo = new CExtComboBox(152, &parent);
    combo->ShowUnavailable(true);
    delete combo;
    EXPECT_EQ(0, parent.findChildren<QComboBox*>().size());
  }
  {
    // The parent deletes both; the box must not delete its stand-in again.
    auto parent = std::make_unique<QWidget>();
    auto* combo = new CExtComboBox(152, parent.get());
    combo->ShowUnavailable(true);
    parent.reset();
  }
}

} // namespace

TEST(SelectComboItemByData, SelectsTheFirstMatchAndKeepsTheSelectionWithoutOne) {
  QComboBox combo;
  combo.addItem("a", 10);
  combo.addItem("b", 20);
  combo.addItem("c", 20);
  SelectComboItemByData(&combo, 20);
  EXPECT_EQ(combo.currentIndex(), 1);
  SelectComboItemByData(&combo, 30);
  EXPECT_EQ(combo.currentIndex(), 1);
}

// A click of the left button at the middle of `widget`.
void click(QWidget* widget) {
  const QPointF at = QRectF(widget->rect()).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
}

TEST(CheckBoxLabel, WrapsItsTextTogglesTheBoxWhenClickedAndGreysOutWithIt) {
  QWidget window;
  auto* box = new QCheckBox(QStringLiteral("old text"), &window);
  window.setLayout(tarsel::ui::CheckBoxLabel::Row(
      box,
      QStringLiteral("&Leave pictures in the camera and a text far too long for one line of the dialog")));
  window.resize(200, 100);
  window.show();
  auto* label = window.findChild<tarsel::ui::CheckBoxLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(box->text().isEmpty());
  EXPECT_EQ(label->buddy(), box) << "its mnemonic toggles the box";
  EXPECT_LE(window.width(), 200) << "the text does not widen the window";
  EXPECT_GT(label->height(), 2 * label->fontMetrics().height()) << "the text wraps";

  click(label);
  EXPECT_TRUE(box->isChecked());
  click(label);
  EXPECT_FALSE(box->isChecked());

  box->setEnabled(false);
  EXPECT_FALSE(label->isEnabled());
  click(label);
  EXPECT_FALSE(box->isChecked());
}
