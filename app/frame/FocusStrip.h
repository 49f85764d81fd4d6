// The focusing-images strip of a camera window's view: while a focus series
// is shown, one 100 x 100 sample of every picture of the camera's series
// side by side, each labelled with the focus setting it was taken with,
// above an instruction text and a quarter-size copy of the current picture
// on which a 25 x 25 square chooses the part of the pictures the samples
// show. A double click on a sample applies its focus setting and takes the
// real picture; ChooseFolderAndSave writes every picture of the series to
// files named after their focus settings.
//
// Content coordinates (before scrolling): sample i at (102 * i, 10) under a
// label row at (102 * i, 0), 100 wide and 10 high; the instruction text from
// y = 110; the quarter-size picture below it at x = 0. The square always
// lies inside that picture (unless the picture is smaller than the square).
//
// Threads: user-interface thread only. Failure: the mouse handlers and
// Paint may throw; the view runs them under its guard. Saving reports each
// file's failure to the user and goes on with the next picture; a file that
// could not be written whole is removed.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "platform/UniqueFd.h"

#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class CChildView;
class QPainter;
class QWidget;

class CFocusStrip {
public:
  // The samples band: a label row above each sample, samples 2 pixels apart.
  static constexpr int kSampleSize = 100;
  static constexpr int kSamplePitch = 102;
  static constexpr int kLabelHeight = 10;
  static constexpr int kSamplesBand = 110;
  // The square on the quarter-size picture, and that picture's scale.
  static constexpr int kSquareSize = 25;
  static constexpr int kScale = 4;

  // Answers the folder chooser in the user's place (tests): the chosen
  // folder, or the empty text for Cancel.
  using FolderHook = std::function<QString(const QString& title, const QString& start)>;
  // Installs a hook (empty: the real dialog again); returns the previous one.
  static FolderHook SetFolderHook(FolderHook hook);

  explicit CFocusStrip(CChildView* view);
  CFocusStrip(const CFocusStrip&) = delete;
  CFocusStrip& operator=(const CFocusStrip&) = delete;
  ~CFocusStrip();

  bool IsSeriesShown() const { return m_shown; }
  void ShowSeries(bool shown) { m_shown = shown; }
  // A value a camera family's focus page keeps here for the series.
  void SetSourceValue(std::int32_t value) { m_sourceValue = value; }
  std::int32_t GetSourceValue() const { return m_sourceValue; }

  // Makes the sample from the camera's current picture (once: nothing when
  // a sample exists or there is no current picture).
  void Build();
  // Drops the sample; never throws.
  void Release() noexcept;
  bool HasSample() const { return static_cast<bool>(m_sample); }

  std::int32_t GetWidth() const;
  std::int32_t GetHeight() const;
  // The square and the sample picture's rectangle, in content coordinates.
  QRect Square() const { return m_square; }
  QRect SampleRect() const;

  void Paint(QPainter* painter, std::int32_t scrollX, std::int32_t scrollY);
  // Points are the view's client coordinates.
  void OnLButtonDown(QPoint point, std::int32_t scrollX, std::int32_t scrollY);
  void OnMouseMove(QPoint point, std::int32_t scrollX, std::int32_t scrollY);
  void OnLButtonUp(QPoint point, std::int32_t scrollX, std::int32_t scrollY);
  void OnLButtonDblClk(QPoint point, std::int32_t scrollX, std::int32_t scrollY);

  void ChooseFolderAndSave(QWidget* owner);
  // Writes the picture into the chosen folder under its series name.
  void SavePicture(IPictureFromCamera* picture, std::int32_t index);

  // "F=Auto", "F=Macro", "F=<position>" or "Unknown".
  static QString Label(IPictureFromCamera* picture);
  // The file name of picture `index` of the series (no folder), safe to
  // use as one name inside the folder.
  static std::string FileName(IPictureFromCamera* picture, std::int32_t index);

private:
  std::int32_t SeriesCount() const;
  IPictureFromCamera* SeriesPicture(std::int32_t index) const;
  // Moves the square's top-left corner to `corner`, kept inside the sample.
  void MoveSquare(QPoint corner);
  void UpdateSquare() const;
  // The file opened for writing, or invalid when the user skips the picture.
  tarsel::platform::UniqueFd OpenForWriting(const std::string& path) const;
  void ChooseSample(std::int32_t index);

  CChildView* m_view;
  bool m_dragging = false;
  QRect m_square;
  QPoint m_dragOffset;
  QPen m_pen;
  QRect m_textRect;
  bool m_shown = false;
  std::int32_t m_sourceValue = 0;
  CRefPtr<IPictureFromCamera> m_sample;
  std::string m_folder;
};
