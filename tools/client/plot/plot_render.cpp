#include "plot_render.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <cstdio>
#include <memory>

namespace vlrplot {
namespace {

constexpr double kFontSize = 12;

struct SurfaceCloser {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextCloser {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

std::string TickText(double value, double step) {
  char text[32];
  const int decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

double Step(const Axis& axis) {
  return axis.ticks.size() > 1 ? axis.ticks[1] - axis.ticks[0] : 1;
}

void Text(cairo_t* cr, double x, double y, const std::string& text,
          double align) {  // align: 0 left, 0.5 centre, 1 right
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, x - extents.x_advance * align, y);
  cairo_show_text(cr, text.c_str());
}

void DrawAxes(cairo_t* cr, const Panel& p, bool last) {
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
  for (const double t : p.time.ticks) {
    cairo_move_to(cr, p.X(t), p.top);
    cairo_line_to(cr, p.X(t), p.top + p.height);
  }
  for (const double v : p.value.ticks) {
    cairo_move_to(cr, p.left, p.Y(v));
    cairo_line_to(cr, p.left + p.width, p.Y(v));
  }
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_rectangle(cr, p.left, p.top, p.width, p.height);
  cairo_stroke(cr);
  for (const double t : p.time.ticks)
    Text(cr, p.X(t), p.top + p.height + 15, TickText(t, Step(p.time)), 0.5);
  for (const double v : p.value.ticks)
    Text(cr, p.left - 6, p.Y(v) + 4, TickText(v, Step(p.value)), 1);
  Text(cr, p.left, p.top - 8, p.title, 0);
  if (last) Text(cr, p.left + p.width, p.top + p.height + 30, "time (s)", 1);
}

void DrawLine(cairo_t* cr, const Panel& p) {
  if (p.points.empty()) return;
  cairo_save(cr);
  cairo_rectangle(cr, p.left, p.top, p.width, p.height);
  cairo_clip(cr);
  cairo_set_source_rgb(cr, 0.1, 0.3, 0.75);
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, p.X(p.points[0].first), p.Y(p.points[0].second));
  for (const auto& [seconds, value] : p.points)
    cairo_line_to(cr, p.X(seconds), p.Y(value));
  cairo_stroke(cr);
  cairo_restore(cr);
}

void Draw(cairo_t* cr, const PlotLayout& layout) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  for (std::size_t i = 0; i < layout.panels.size(); ++i) {
    DrawAxes(cr, layout.panels[i], i + 1 == layout.panels.size());
    DrawLine(cr, layout.panels[i]);
  }
}

bool IsSvg(const std::string& path) {
  return path.size() >= 4 && (path.compare(path.size() - 4, 4, ".svg") == 0 ||
                              path.compare(path.size() - 4, 4, ".SVG") == 0);
}

}  // namespace

std::string RenderPlot(const PlotLayout& layout, const std::string& path) {
  const bool svg = IsSvg(path);
  std::unique_ptr<cairo_surface_t, SurfaceCloser> surface(
      svg ? cairo_svg_surface_create(path.c_str(), layout.width, layout.height)
          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width,
                                       layout.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    return "cannot write " + path + ": " +
           cairo_status_to_string(cairo_surface_status(surface.get()));
  if (svg)
    cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
  {
    std::unique_ptr<cairo_t, ContextCloser> cr(cairo_create(surface.get()));
    Draw(cr.get(), layout);
  }
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (svg) {
    cairo_surface_finish(surface.get());
    status = cairo_surface_status(surface.get());
  } else {
    status = cairo_surface_write_to_png(surface.get(), path.c_str());
  }
  if (status != CAIRO_STATUS_SUCCESS)
    return "cannot write " + path + ": " + cairo_status_to_string(status);
  return {};
}

}  // namespace vlrplot
