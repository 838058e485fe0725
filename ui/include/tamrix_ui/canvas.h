// Drawing surface handed to paint handlers, in the paint box's own layout
// pixels. The state (pen, position, font colour) lives here; subclasses only
// carry the operations out.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tamrix_ui/color.h"
#include "tamrix_ui/font.h"

namespace tamrix::ui {

struct TPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPoint &) const = default;
};

struct CanvasOp {
  enum Kind { PenColor, PenWidth, MoveTo, LineTo, FontColor, TextOut };
  Kind kind;
  TPoint from;       // LineTo: the pen position before the line
  TPoint at;         // MoveTo, LineTo: target; TextOut: origin
  TColor color = 0;  // PenColor, FontColor; LineTo: pen colour; TextOut: font colour
  int width = 1;     // PenWidth; LineTo: pen width
  std::string text;  // TextOut
};

class Canvas {
 public:
  explicit Canvas(TFont font = {}) : font_(std::move(font)) {}
  virtual ~Canvas() = default;
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  void SetPenColor(TColor c);
  TColor PenColor() const { return pen_color_; }
  // Pens are always solid.
  void SetPenWidth(int w);
  int PenWidth() const { return pen_width_; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Lines from the pen through each point in turn: what LineTo to each point
  // draws, in one call.
  void PolylineTo(std::span<const TPoint> points);
  TPoint PenPos() const { return pen_; }

  void SetFontColor(TColor c);
  TColor FontColor() const { return font_.color; }
  const TFont &Font() const { return font_; }
  // Text with its top-left corner at (x, y).
  void TextOut(int x, int y, std::string_view utf8);

 protected:
  // Called after the state has been updated for the operation.
  virtual void Apply(const CanvasOp &op) = 0;
  // PolylineTo's lines, the pen already at the last point: by default one
  // LineTo operation each; a canvas may take them in bulk.
  virtual void ApplyPolyline(TPoint from, std::span<const TPoint> points);

 private:
  TColor pen_color_ = clBlack;
  int pen_width_ = 1;
  TPoint pen_;
  TFont font_;
};

// Keeps every operation, for checking drawing arithmetic.
class RecordingCanvas : public Canvas {
 public:
  using Canvas::Canvas;
  const std::vector<CanvasOp> &Ops() const { return ops_; }
  // Only the lines, in drawing order.
  std::vector<CanvasOp> Lines() const;
  std::vector<CanvasOp> Texts() const;
  void Clear() { ops_.clear(); }

 protected:
  void Apply(const CanvasOp &op) override { ops_.push_back(op); }

 private:
  std::vector<CanvasOp> ops_;
};

}  // namespace tamrix::ui
