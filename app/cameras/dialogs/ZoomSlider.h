// The optical zoom slider that the zoom page of the camera-settings sheet
// and the Canon fine zoom dialog share: the slider (moving the lens once,
// when a move ends), the zoom factor, and the factors at both ends, in two
// rows of the layout it is given.
//
// Controls are named "control<id>": 1097 the slider, 1098 the factor, 1099
// and 2001 the factors at the minimum and maximum.
//
// Threads: user-interface thread only. Failure: none of its own.
#pragma once

#include <cstdint>
#include <functional>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QSlider;
class QWidget;

namespace tarsel::dialogs {

class CZoomSlider {
public:
  // Makes the controls in `parent` and adds their rows to `layout`; `moved`
  // runs with the position when the user ends a move of the slider (not
  // when the slider shows a position read from the camera).
  CZoomSlider(QWidget* parent, QBoxLayout* layout, std::function<void(std::int32_t position)> moved);

  // Shows the camera's zoom range with its end factors and the lens's
  // position and factor; a range of -1 (not known) leaves the controls as
  // they are and disabled. Returns whether the range is known.
  bool ShowRange(std::int32_t min, std::int32_t max, std::int32_t position, double factor, double minFactor,
                 double maxFactor);
  // Shows where the lens went and its zoom factor.
  void ShowReached(std::int32_t position, double factor);
  // Enables the controls if `idle` and the range is known.
  void SetEnabled(bool idle);

  QLabel* MinLabel() const { return m_min; }
  QLabel* MaxLabel() const { return m_max; }

private:
  std::function<void(std::int32_t position)> m_moved;
  QSlider* m_slider = nullptr;
  QLineEdit* m_factor = nullptr;
  QLabel* m_min = nullptr;
  QLabel* m_max = nullptr;
  bool m_rangeKnown = false;
  bool m_updating = false;
};

} // namespace tarsel::dialogs
