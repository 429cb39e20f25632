#include "indexer/ui/gtk/gtk_window.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>

#include "indexer/ui/gtk/gtk_util.h"
#include "indexer/ui/gtk/stop_dialog.h"

namespace oru::ui {

namespace {

// A window that is never drawn (shown on a workspace nobody looks at, say) still starts its pass.
constexpr unsigned kUndrawnStartMs = 1000;
// While the Stop confirmation is open, the start is looked at again this often.
constexpr unsigned kConfirmingRetryMs = 50;

// A label the engine writes.
class GtkCaption : public platform::Label {
 public:
  void SetCaption(std::string_view text) override {
    if (label_ != nullptr) gtk_label_set_text(GTK_LABEL(label_), gtk::DisplayText(text).c_str());
  }
  GtkWidget* label_ = nullptr;
};

class GtkBar : public platform::ProgressBar {
 public:
  int Position() const override { return position_; }
  // Like the form's bar, the position stays between its minimum 0 and maximum 65.
  void SetPosition(int position) override {
    position_ = std::clamp(position, 0, kSavingSteps);
    if (bar_ != nullptr) {
      gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar_),
                                    static_cast<double>(position_) / kSavingSteps);
    }
  }
  GtkWidget* bar_ = nullptr;
  int position_ = 0;
};

class GtkPump : public platform::MessagePump {
 public:
  void ProcessMessages() override {
    while (gtk_events_pending()) gtk_main_iteration();
  }
};

// A lowered panel holding a caption on top and a value below it.
GtkWidget* AddPanel(GtkWidget* parent, const char* name, int x, int y, int width, int height,
                    const char* caption_name, const char* caption, const char* value_name,
                    GtkWidget** value) {
  GtkWidget* frame =
      gtk::Place(parent, gtk_frame_new(nullptr), name, x, y, width, height);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(frame), column);
  GtkWidget* top = gtk_label_new(caption);
  gtk_widget_set_name(top, caption_name);
  *value = gtk_label_new("");
  gtk_widget_set_name(*value, value_name);
  for (GtkWidget* label : {top, *value}) {
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_widget_set_margin_start(label, 4);
    gtk_widget_set_margin_end(label, 4);
  }
  gtk_widget_set_margin_top(top, 1);
  gtk_box_pack_start(GTK_BOX(column), top, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), *value, TRUE, TRUE, 0);
  return frame;
}

}  // namespace

struct GtkProgressWindow::Controls {
  GtkWidget* window = nullptr;
  GtkCaption files;    // Label4
  GtkCaption current;  // Label3
  GtkCaption words;    // Label6
  GtkBar bar;          // pbSaving
  GtkPump pump;
  gtk::StopDialog stop;
  const WindowEvents* events = nullptr;
  guint start = 0;  // the source that starts the pass
  bool drawn = false;
  bool started = false;
  bool in_loop = false;
  bool confirming = false;  // the Stop dialog is open
  bool ended = false;

  // Starts the pass `delay_ms` from now, at idle priority: after what GTK has to draw.
  void ScheduleStart(unsigned delay_ms) {
    if (start != 0) g_source_remove(start);
    start = g_timeout_add_full(G_PRIORITY_DEFAULT_IDLE, delay_ms, &Controls::OnStart, this, nullptr);
  }
  static gboolean OnStart(gpointer data) {
    auto* c = static_cast<Controls*>(data);
    c->start = 0;  // one shot: the source goes with this return
    // The dialog's own loop runs these sources too: the pass never starts under an open Stop
    // confirmation, whose Yes must keep it from starting at all.
    if (c->confirming) {
      c->ScheduleStart(kConfirmingRetryMs);
      return G_SOURCE_REMOVE;
    }
    c->started = true;
    const WindowEvents* ev = c->events;
    if (!c->ended && ev != nullptr && ev->on_start) ev->on_start();
    return G_SOURCE_REMOVE;
  }
};

GtkProgressWindow::GtkProgressWindow() : controls_(std::make_unique<Controls>()) {
  Controls& c = *controls_;
  c.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(c.window);
  gtk_widget_set_name(c.window, "TfMain");
  gtk_window_set_title(window, "Indexing...");
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);

  GtkWidget* form = gtk_fixed_new();
  gtk_widget_set_size_request(form, 345, 188);
  gtk_container_add(GTK_CONTAINER(c.window), form);
  GtkWidget* top = gtk::Place(form, gtk_fixed_new(), "Panel4", 0, 0, 345, 135);
  GtkWidget* value = nullptr;
  AddPanel(top, "Panel1", 4, 6, 162, 33, "Label2", "Total Files Indexed:", "Label4", &value);
  c.files.label_ = value;
  AddPanel(top, "Panel3", 179, 6, 162, 33, "Label5", "Words Found:", "Label6", &value);
  c.words.label_ = value;
  AddPanel(top, "Panel2", 4, 52, 338, 39, "Label1", "File Currently Indexing:", "Label3", &value);
  // The current file's label keeps its size: 21 high, as wide as its panel (its text never
  // widens the window), a long path shortened in its middle.
  gtk_widget_set_size_request(value, -1, 21);
  gtk_label_set_ellipsize(GTK_LABEL(value), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_max_width_chars(GTK_LABEL(value), 1);
  gtk_box_set_child_packing(GTK_BOX(gtk_widget_get_parent(value)), value, FALSE, FALSE, 0,
                            GTK_PACK_START);
  c.current.label_ = value;
  c.bar.bar_ = gtk::Place(top, gtk_progress_bar_new(), "pbSaving", 4, 105, 337, 16);
  GtkWidget* stop = gtk::Place(form, gtk_button_new_with_label("Stop"), "bStop", 133, 146, 86, 33);
  g_signal_connect(stop, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                     const WindowEvents* events = static_cast<Controls*>(data)->events;
                     if (events != nullptr && events->on_stop_click) events->on_stop_click();
                   }),
                   &c);
  // The close box goes to the form, which keeps the window open while the pass runs.
  g_signal_connect(c.window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) {
                     auto* self = static_cast<GtkProgressWindow*>(data);
                     const WindowEvents* events = self->controls_->events;
                     if (events == nullptr) return TRUE;
                     if (!events->on_close || events->on_close()) self->Close();
                     return TRUE;  // this object destroys the window, never GTK
                   }),
                   this);
  // The first time the window is drawn, its pass is due.
  g_signal_connect_after(c.window, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer data) {
                           auto* controls = static_cast<Controls*>(data);
                           if (!controls->drawn && !controls->started && controls->events != nullptr) {
                             controls->drawn = true;
                             controls->ScheduleStart(0);
                           }
                           return FALSE;
                         }),
                         &c);
  gtk_widget_show_all(form);
  gtk::SetFixedBorder(c.window, true);
  c.stop.Create(c.window);
}

std::unique_ptr<GtkProgressWindow> GtkProgressWindow::Create() {
  // The engine's text handling must not depend on the user's locale.
  gtk_disable_setlocale();
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  gtk::InstallFormStyle();
  return std::unique_ptr<GtkProgressWindow>(new GtkProgressWindow());
}

GtkProgressWindow::~GtkProgressWindow() {
  if (controls_->start != 0) g_source_remove(controls_->start);
  GtkWidget* window = controls_->window;
  controls_.reset();  // the Stop dialog goes first
  gtk_widget_destroy(window);
}

platform::Label* GtkProgressWindow::FilesIndexedLabel() { return &controls_->files; }
platform::Label* GtkProgressWindow::CurrentFileLabel() { return &controls_->current; }
platform::Label* GtkProgressWindow::WordsFoundLabel() { return &controls_->words; }
platform::ProgressBar* GtkProgressWindow::SavingBar() { return &controls_->bar; }
platform::MessagePump* GtkProgressWindow::Pump() { return &controls_->pump; }

void GtkProgressWindow::ShowMessage(std::string_view text) {
  gtk::ShowMessageBox(controls_->window, text);
}

int GtkProgressWindow::ConfirmStop(bool* save) {
  controls_->confirming = true;
  const int result = controls_->stop.Run(save);
  controls_->confirming = false;
  return result;
}

void GtkProgressWindow::RunLoop(const WindowEvents& events) {
  Controls& c = *controls_;
  c.events = &events;
  if (!c.ended) {
    gtk_widget_show(c.window);
    if (events.on_show) events.on_show();
    // The first draw starts the pass sooner (see the "draw" handler).
    c.ScheduleStart(kUndrawnStartMs);
  }
  if (!c.ended) {
    c.in_loop = true;
    gtk_main();
    c.in_loop = false;
  }
  if (c.start != 0) g_source_remove(c.start);
  c.start = 0;
  gtk_widget_hide(c.window);
  c.events = nullptr;
}

void GtkProgressWindow::EndLoop() {
  Controls& c = *controls_;
  c.ended = true;
  // gtk_main ends when the handler running inside it (the pass) has returned.
  if (c.in_loop) gtk_main_quit();
}

void GtkProgressWindow::Terminate() { EndLoop(); }

void GtkProgressWindow::Close() {
  gtk_widget_hide(controls_->window);
  EndLoop();
}

}  // namespace oru::ui
