#include "indexer/ui/gtk/gtk_util.h"

#include "platform/codepage.h"

namespace oru::ui::gtk {

namespace {

constexpr char kFormStyle[] =
    "#TfMain, #TfMain *, #TfStop, #TfStop * { font-family: Sans; font-size: 8pt; }\n"
    "#TfMain button, #TfStop button { min-height: 0; padding: 2px 8px; }\n"
    "#TfStop check { margin-top: 0; margin-bottom: 0; }\n"
    "#TfStop checkbutton { padding-top: 0; padding-bottom: 0; }\n"
    "#pbSaving trough, #pbSaving progress { min-height: 14px; }\n";

}  // namespace

GtkWidget* Place(GtkWidget* parent, GtkWidget* widget, const char* name, int x, int y, int width,
                 int height) {
  gtk_widget_set_name(widget, name);
  gtk_widget_set_size_request(widget, width, height);
  gtk_fixed_put(GTK_FIXED(parent), widget, x, y);
  return widget;
}

std::string DisplayText(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::string(text);
  }
  const std::u16string wide = platform::AnsiToWide(text);
  gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(wide.data()),
                                static_cast<glong>(wide.size()), nullptr, nullptr, nullptr);
  std::string result = utf8 != nullptr ? utf8 : "";
  g_free(utf8);
  return result;
}

void SetFixedBorder(GtkWidget* window, bool minimise) {
  gtk_widget_realize(window);
  GdkWindow* gdk_window = gtk_widget_get_window(window);
  if (gdk_window == nullptr) return;
  const int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE | (minimise ? GDK_FUNC_MINIMIZE : 0);
  const int decorations =
      GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU | (minimise ? GDK_DECOR_MINIMIZE : 0);
  gdk_window_set_functions(gdk_window, static_cast<GdkWMFunction>(functions));
  gdk_window_set_decorations(gdk_window, static_cast<GdkWMDecoration>(decorations));
}

void InstallFormStyle() {
  static bool installed = false;
  if (installed) return;
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return;
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kFormStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
  installed = true;
}

}  // namespace oru::ui::gtk
