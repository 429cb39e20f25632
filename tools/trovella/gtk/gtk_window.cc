// The search window drawn with GTK 3. The results list is a tree view over a model of our own
// that answers for the rows the view draws, so that 100,000 hits cost only the rows in sight.
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "indexer/engine/run_codes.h"
#include "platform/desktop.h"
#include "platform/window_message.h"
#include "tools/oru/index_summary.h"
#include "tools/trovella/index_jobs.h"
#include "tools/trovella/search_model.h"
#include "tools/trovella/window.h"

namespace oru::trovella {
namespace {

enum Column { kName, kFolder, kSize, kDate, kFragment, kColumnCount };

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Runs `task` on GTK's thread (the window's), from any thread. Tasks wait in one queue that one
// idle source drains a few milliseconds at a time, so that results arriving faster than the
// window takes them never hold its main loop for long.
class GtkQueue {
 public:
  static void Post(std::function<void()> task) {
    GtkQueue& queue = Instance();
    const std::lock_guard<std::mutex> lock(queue.mutex_);
    queue.tasks_.push_back(std::move(task));
    if (!queue.scheduled_) {
      queue.scheduled_ = true;
      g_idle_add(Drain, &queue);
    }
  }

 private:
  static constexpr double kSliceMs = 10;

  static GtkQueue& Instance() {
    static GtkQueue* queue = new GtkQueue();  // lives as long as the program, as GTK's loop does
    return *queue;
  }
  static gboolean Drain(gpointer data) {
    auto* queue = static_cast<GtkQueue*>(data);
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard<std::mutex> lock(queue->mutex_);
        if (queue->tasks_.empty()) {
          queue->scheduled_ = false;
          return G_SOURCE_REMOVE;
        }
        task = std::move(queue->tasks_.front());
        queue->tasks_.pop_front();
      }
      task();
      const std::chrono::duration<double, std::milli> spent =
          std::chrono::steady_clock::now() - start;
      if (spent.count() >= kSliceMs) return G_SOURCE_CONTINUE;  // the rest after a turn of the loop
    }
  }

  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  bool scheduled_ = false;
};

void PostToGtk(std::function<void()> task) { GtkQueue::Post(std::move(task)); }

std::string Markup(const Row& row) {
  std::string markup;
  size_t at = 0;
  const auto escaped = [](const std::string& text) {
    gchar* escaped_text = g_markup_escape_text(text.data(), static_cast<gssize>(text.size()));
    std::string out = escaped_text;
    g_free(escaped_text);
    return out;
  };
  for (const Span& span : row.marked) {
    markup += escaped(row.fragment.substr(at, span.begin - at));
    markup += "<b>" + escaped(row.fragment.substr(span.begin, span.end - span.begin)) + "</b>";
    at = span.end;
  }
  markup += escaped(row.fragment.substr(at));
  return markup;
}

// ---- the rows model: a GtkTreeModel of a flat list, answering from SearchModel ----

struct RowsStore {
  GObject parent;
  SearchModel* model;
  gint stamp;
  gint count;  // rows the view has been told of
};
struct RowsStoreClass {
  GObjectClass parent_class;
};

void rows_store_tree_model_init(GtkTreeModelIface* iface);
G_DEFINE_TYPE_WITH_CODE(RowsStore, rows_store, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, rows_store_tree_model_init))

void rows_store_init(RowsStore* store) {
  store->model = nullptr;
  store->stamp = g_random_int();
  store->count = 0;
}
void rows_store_class_init(RowsStoreClass*) {}

RowsStore* Store(GtkTreeModel* model) { return reinterpret_cast<RowsStore*>(model); }
gint RowOf(GtkTreeIter* iter) { return GPOINTER_TO_INT(iter->user_data); }
void SetIter(RowsStore* store, GtkTreeIter* iter, gint row) {
  iter->stamp = store->stamp;
  iter->user_data = GINT_TO_POINTER(row);
  iter->user_data2 = nullptr;
  iter->user_data3 = nullptr;
}

void rows_store_tree_model_init(GtkTreeModelIface* iface) {
  iface->get_flags = [](GtkTreeModel*) {
    return static_cast<GtkTreeModelFlags>(GTK_TREE_MODEL_LIST_ONLY | GTK_TREE_MODEL_ITERS_PERSIST);
  };
  iface->get_n_columns = [](GtkTreeModel*) { return static_cast<gint>(kColumnCount); };
  iface->get_column_type = [](GtkTreeModel*, gint) { return G_TYPE_STRING; };
  iface->get_iter = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreePath* path) -> gboolean {
    const gint row = gtk_tree_path_get_indices(path)[0];
    if (gtk_tree_path_get_depth(path) != 1 || row < 0 || row >= Store(model)->count) return FALSE;
    SetIter(Store(model), iter, row);
    return TRUE;
  };
  iface->get_path = [](GtkTreeModel*, GtkTreeIter* iter) {
    return gtk_tree_path_new_from_indices(RowOf(iter), -1);
  };
  iface->get_value = [](GtkTreeModel* model, GtkTreeIter* iter, gint column, GValue* value) {
    g_value_init(value, G_TYPE_STRING);
    const RowsStore* store = Store(model);
    const auto row_number = static_cast<size_t>(RowOf(iter));
    if (store->model == nullptr || row_number >= store->model->RowCount()) return;
    const Row& row = store->model->RowAt(row_number);
    switch (column) {
      case kName:
        g_value_set_string(value, row.name.c_str());
        break;
      case kFolder:
        g_value_set_string(value, row.folder.c_str());
        break;
      case kSize:
        g_value_set_string(value, tool::HumanSize(row.size).c_str());
        break;
      case kDate:
        g_value_set_string(value, DateText(row.time).c_str());
        break;
      default:
        g_value_set_string(value, row.fragment_done ? Markup(row).c_str() : "");
        break;
    }
  };
  iface->iter_next = [](GtkTreeModel* model, GtkTreeIter* iter) -> gboolean {
    const gint next = RowOf(iter) + 1;
    if (next >= Store(model)->count) return FALSE;
    SetIter(Store(model), iter, next);
    return TRUE;
  };
  iface->iter_children = [](GtkTreeModel* model, GtkTreeIter* iter,
                            GtkTreeIter* parent) -> gboolean {
    if (parent != nullptr || Store(model)->count == 0) return FALSE;
    SetIter(Store(model), iter, 0);
    return TRUE;
  };
  iface->iter_has_child = [](GtkTreeModel*, GtkTreeIter*) -> gboolean { return FALSE; };
  iface->iter_n_children = [](GtkTreeModel* model, GtkTreeIter* iter) -> gint {
    return iter == nullptr ? Store(model)->count : 0;
  };
  iface->iter_nth_child = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent,
                             gint n) -> gboolean {
    if (parent != nullptr || n < 0 || n >= Store(model)->count) return FALSE;
    SetIter(Store(model), iter, n);
    return TRUE;
  };
  iface->iter_parent = [](GtkTreeModel*, GtkTreeIter*, GtkTreeIter*) -> gboolean { return FALSE; };
}

// ---- the window ----

class GtkMainWindow : public MainWindow {
 public:
  explicit GtkMainWindow(const WindowOptions& options)
      : options_(options),
        model_(options.work, PostToGtk),
        jobs_(options.work, options.oru, PostToGtk) {}

  ~GtkMainWindow() override {
    listening_ = false;
    if (listener_.joinable()) listener_.join();
    if (timer_ != 0) g_source_remove(timer_);
    if (store_ != nullptr) g_object_unref(store_);
  }

  int Run() override {
    Build();
    Listen();
    if (!options_.query.empty()) gtk_entry_set_text(GTK_ENTRY(query_), options_.query.c_str());
    gtk_widget_show_all(window_);
    gtk_main();
    return 0;
  }

 private:
  void Build() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), kWindowTitle);
    gtk_window_set_default_size(GTK_WINDOW(window_), 900, 560);
    g_signal_connect(window_, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    gtk_container_add(GTK_CONTAINER(window_), box);

    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
    query_ = gtk_search_entry_new();
    gtk_widget_set_name(query_, "query");
    gtk_entry_set_placeholder_text(GTK_ENTRY(query_),
                                   "Search: words, OR, -word, \"a phrase\", ext:pdf ...");
    g_signal_connect(query_, "changed", G_CALLBACK(OnQueryChanged), this);
    gtk_box_pack_start(GTK_BOX(bar), query_, TRUE, TRUE, 0);

    indexes_ = gtk_combo_box_text_new();
    gtk_widget_set_name(indexes_, "indexes");
    FillIndexes();
    g_signal_connect(indexes_, "changed", G_CALLBACK(OnIndexChosen), this);
    gtk_box_pack_start(GTK_BOX(bar), indexes_, FALSE, FALSE, 0);

    sort_ = gtk_combo_box_text_new();
    gtk_widget_set_name(sort_, "sort");
    for (const char* label :
         {"As found", "By path", "By date, newest first", "By size, largest first"}) {
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(sort_), label);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(sort_), 0);
    g_signal_connect(sort_, "changed", G_CALLBACK(OnSortChosen), this);
    gtk_box_pack_start(GTK_BOX(bar), sort_, FALSE, FALSE, 0);

    GtkWidget* add = gtk_button_new_with_label("Add folder…");
    gtk_widget_set_name(add, "add-folder");
    g_signal_connect(add, "clicked", G_CALLBACK(OnAddFolder), this);
    gtk_box_pack_start(GTK_BOX(bar), add, FALSE, FALSE, 0);
    GtkWidget* update = gtk_button_new_with_label("Update");
    gtk_widget_set_name(update, "update");
    g_signal_connect(update, "clicked", G_CALLBACK(OnUpdate), this);
    gtk_box_pack_start(GTK_BOX(bar), update, FALSE, FALSE, 0);

    summary_ = gtk_label_new("");
    gtk_widget_set_name(summary_, "summary");
    gtk_label_set_xalign(GTK_LABEL(summary_), 0);
    gtk_label_set_ellipsize(GTK_LABEL(summary_), PANGO_ELLIPSIZE_END);
    gtk_box_pack_start(GTK_BOX(box), summary_, FALSE, FALSE, 0);

    store_ = Store(GTK_TREE_MODEL(g_object_new(rows_store_get_type(), nullptr)));
    store_->model = &model_;
    list_ = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store_));
    gtk_widget_set_name(list_, "results");
    const struct {
      const char* title;
      Column column;
      bool markup;
      int width;
    } columns[] = {{"Name", kName, false, 170},
                   {"Folder", kFolder, false, 200},
                   {"Size", kSize, false, 70},
                   {"Date", kDate, false, 125},
                   {"Text", kFragment, true, 300}};
    for (const auto& shown : columns) {
      GtkCellRenderer* cell = gtk_cell_renderer_text_new();
      g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
      GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
          shown.title, cell, shown.markup ? "markup" : "text", shown.column, nullptr);
      gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
      gtk_tree_view_column_set_fixed_width(column, shown.width);
      gtk_tree_view_column_set_resizable(column, TRUE);
      gtk_tree_view_column_set_expand(column, shown.column == kFragment);
      gtk_tree_view_append_column(GTK_TREE_VIEW(list_), column);
    }
    // Every row as high as the first: the view never measures the rows it does not show.
    gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(list_), TRUE);
    g_signal_connect(list_, "row-activated", G_CALLBACK(OnRowActivated), this);
    g_signal_connect(list_, "button-press-event", G_CALLBACK(OnListButton), this);
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scroll), list_);
    gtk_box_pack_start(GTK_BOX(box), scroll, TRUE, TRUE, 0);
    g_signal_connect(gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(list_)), "value-changed",
                     G_CALLBACK(OnScrolled), this);

    status_ = gtk_label_new("");
    gtk_widget_set_name(status_, "status");
    gtk_label_set_xalign(GTK_LABEL(status_), 0);
    gtk_box_pack_start(GTK_BOX(box), status_, FALSE, FALSE, 0);

    model_.on_results = [this] { ShowResults(); };
    jobs_.on_done = [this](const std::string& outcome) {
      gtk_label_set_text(GTK_LABEL(status_), outcome.c_str());
      model_.ReloadIndexes();
      FillIndexes();
      model_.Refresh();
    };
  }

  void FillIndexes() {
    filling_ = true;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(indexes_));
    for (const IndexChoice& choice : model_.choices()) {
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(indexes_), choice.label.c_str());
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(indexes_), static_cast<gint>(model_.choice()));
    filling_ = false;
  }

  // Tells the view what changed: a new search starts the list anew, more rows are appended,
  // fragments change the rows they belong to.
  void ShowResults() {
    const auto count = static_cast<gint>(model_.RowCount());
    GtkTreeModel* tree = GTK_TREE_MODEL(store_);
    if (count < store_->count) {
      // A new search: the view forgets the old rows at once.
      g_object_ref(store_);
      gtk_tree_view_set_model(GTK_TREE_VIEW(list_), nullptr);
      store_->count = count;
      ++store_->stamp;
      gtk_tree_view_set_model(GTK_TREE_VIEW(list_), tree);
      g_object_unref(store_);
    } else {
      for (gint row = store_->count; row < count; ++row) {
        store_->count = row + 1;
        GtkTreeIter iter;
        SetIter(store_, &iter, row);
        GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_model_row_inserted(tree, path, &iter);
        gtk_tree_path_free(path);
      }
    }
    RedrawFragments();
    std::string summary = model_.Summary();
    for (const std::string& note : model_.notes()) summary += "  (" + note + ")";
    gtk_label_set_text(GTK_LABEL(summary_), summary.c_str());
  }

  // Asks for the fragments of the rows in sight, and redraws those that have theirs.
  void RedrawFragments() {
    GtkTreePath* first = nullptr;
    GtkTreePath* last = nullptr;
    if (!gtk_tree_view_get_visible_range(GTK_TREE_VIEW(list_), &first, &last)) {
      if (store_->count > 0) model_.WantFragments(0, 40);
      return;
    }
    const size_t from = static_cast<size_t>(gtk_tree_path_get_indices(first)[0]);
    const size_t to = static_cast<size_t>(gtk_tree_path_get_indices(last)[0]) + 1;
    gtk_tree_path_free(first);
    gtk_tree_path_free(last);
    model_.WantFragments(from, to);
    gtk_widget_queue_draw(list_);
  }

  const Row* SelectedRow() {
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(list_));
    GtkTreeModel* tree = nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(selection, &tree, &iter)) return nullptr;
    const auto row = static_cast<size_t>(RowOf(&iter));
    return row < model_.RowCount() ? &model_.RowAt(row) : nullptr;
  }

  void Open(const std::string& path) {
    const platform::Status opened = platform::OpenWithDesktop(path, options_.opener);
    gtk_label_set_text(GTK_LABEL(status_),
                       opened.ok() ? ("opened " + path).c_str() : opened.Message().c_str());
  }

  void ArmTimer() {
    if (timer_ != 0) g_source_remove(timer_);
    timer_ = 0;
    const int64_t timeout = model_.Timeout(NowMs());
    if (timeout < 0) return;
    timer_ = g_timeout_add(static_cast<guint>(timeout) + 1, OnTimer, this);
  }

  // Tamsel's message that an index was written arrives on a thread that waits for it.
  void Listen() {
    if (platform::MessageWindow::Create(kSearchWindowClass, kWindowTitle, &messages_) !=
        platform::Result::kOk) {
      return;  // another search window has the name: it is told instead
    }
    listening_ = true;
    listener_ = std::thread([this] {
      platform::WindowMessage message;
      while (listening_) {
        if (messages_.Receive(&message, 250) && message.number == kIndexDoneMessage) {
          PostToGtk([this] {
            model_.ReloadIndexes();
            FillIndexes();
            model_.Refresh();
          });
        }
      }
    });
  }

  static void OnQueryChanged(GtkEditable* entry, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    self->model_.SetQuery(gtk_entry_get_text(GTK_ENTRY(entry)), NowMs());
    self->ArmTimer();
  }
  static gboolean OnTimer(gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    self->timer_ = 0;
    self->model_.Tick(NowMs());
    self->ArmTimer();
    return G_SOURCE_REMOVE;
  }
  static void OnIndexChosen(GtkComboBox* combo, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    if (self->filling_) return;
    const gint active = gtk_combo_box_get_active(combo);
    if (active >= 0) self->model_.Choose(static_cast<size_t>(active));
  }
  static void OnSortChosen(GtkComboBox* combo, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    switch (gtk_combo_box_get_active(combo)) {
      case 1:
        self->model_.SetSort(tool::SortKey::kPath, false);
        break;
      case 2:
        self->model_.SetSort(tool::SortKey::kDate, true);
        break;
      case 3:
        self->model_.SetSort(tool::SortKey::kSize, true);
        break;
      default:
        self->model_.SetSort(tool::SortKey::kNone, false);
        break;
    }
  }
  static void OnScrolled(GtkAdjustment*, gpointer data) {
    static_cast<GtkMainWindow*>(data)->RedrawFragments();
  }
  static void OnRowActivated(GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    const auto row = static_cast<size_t>(gtk_tree_path_get_indices(path)[0]);
    if (row < self->model_.RowCount()) self->Open(self->model_.RowAt(row).path);
  }
  static gboolean OnListButton(GtkWidget* list, GdkEventButton* event, gpointer data) {
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY) return FALSE;
    auto* self = static_cast<GtkMainWindow*>(data);
    GtkTreePath* path = nullptr;
    if (gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(list), static_cast<gint>(event->x),
                                      static_cast<gint>(event->y), &path, nullptr, nullptr,
                                      nullptr)) {
      gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(list)), path);
      gtk_tree_path_free(path);
    }
    self->ShowMenu(reinterpret_cast<GdkEvent*>(event));
    return TRUE;
  }
  void ShowMenu(GdkEvent* event) {
    if (SelectedRow() == nullptr) return;
    GtkWidget* menu = gtk_menu_new();
    const auto item = [&](const char* label, const char* name, GCallback callback) {
      GtkWidget* entry = gtk_menu_item_new_with_label(label);
      gtk_widget_set_name(entry, name);
      g_signal_connect(entry, "activate", callback, this);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    };
    item("Open", "open", G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
           auto* self = static_cast<GtkMainWindow*>(data);
           if (const Row* row = self->SelectedRow()) self->Open(row->path);
         }));
    item("Open containing folder", "open-folder", G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
           auto* self = static_cast<GtkMainWindow*>(data);
           if (const Row* row = self->SelectedRow()) {
             const size_t cut = row->path.find_last_of("/\\");
             self->Open(cut == std::string::npos ? row->path : row->path.substr(0, cut + 1));
           }
         }));
    item("Copy path", "copy-path", G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
           auto* self = static_cast<GtkMainWindow*>(data);
           if (const Row* row = self->SelectedRow()) {
             gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), row->path.c_str(),
                                    static_cast<gint>(row->path.size()));
           }
         }));
    gtk_widget_show_all(menu);
    gtk_menu_popup_at_pointer(GTK_MENU(menu), event);
  }
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    const bool control = (event->state & GDK_CONTROL_MASK) != 0;
    if (event->keyval == GDK_KEY_F3 ||
        (control && (event->keyval == GDK_KEY_l || event->keyval == GDK_KEY_L))) {
      gtk_widget_grab_focus(self->query_);
      return TRUE;
    }
    if (event->keyval == GDK_KEY_Escape) {
      gtk_entry_set_text(GTK_ENTRY(self->query_), "");
      gtk_widget_grab_focus(self->query_);
      return TRUE;
    }
    if (event->keyval == GDK_KEY_Down && gtk_widget_has_focus(self->query_) &&
        self->model_.RowCount() > 0) {
      gtk_widget_grab_focus(self->list_);
      GtkTreePath* first = gtk_tree_path_new_from_indices(0, -1);
      gtk_tree_view_set_cursor(GTK_TREE_VIEW(self->list_), first, nullptr, FALSE);
      gtk_tree_path_free(first);
      return TRUE;
    }
    return FALSE;
  }
  static void OnAddFolder(GtkButton*, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    if (self->jobs_.busy()) return;
    std::string folder;
    std::string problem;
    if (!AskForStorage(self->options_.work, &folder, &problem)) {
      gtk_label_set_text(GTK_LABEL(self->status_), problem.c_str());
      return;
    }
    if (folder.empty()) return;  // the dialog was cancelled
    self->jobs_.AddFolder(folder);
    gtk_label_set_text(GTK_LABEL(self->status_), ("indexing " + folder + " ...").c_str());
  }
  static void OnUpdate(GtkButton*, gpointer data) {
    auto* self = static_cast<GtkMainWindow*>(data);
    if (self->jobs_.busy()) return;
    std::vector<std::string> names;
    const std::vector<IndexChoice>& choices = self->model_.choices();
    for (size_t i = 1; i < choices.size(); ++i) {
      if (self->model_.choice() == 0 || self->model_.choice() == i)
        names.push_back(choices[i].name);
    }
    if (self->jobs_.Update(names)) {
      gtk_label_set_text(GTK_LABEL(self->status_), "updating ...");
    }
  }

  WindowOptions options_;
  SearchModel model_;
  IndexJobs jobs_;
  GtkWidget* window_ = nullptr;
  GtkWidget* query_ = nullptr;
  GtkWidget* indexes_ = nullptr;
  GtkWidget* sort_ = nullptr;
  GtkWidget* summary_ = nullptr;
  GtkWidget* list_ = nullptr;
  GtkWidget* status_ = nullptr;
  RowsStore* store_ = nullptr;
  guint timer_ = 0;
  bool filling_ = false;
  platform::MessageWindow messages_;
  std::atomic<bool> listening_{false};
  std::thread listener_;
};

}  // namespace

std::unique_ptr<MainWindow> MakeMainWindow(const WindowOptions& options, std::string* problem) {
  if (!gtk_init_check(nullptr, nullptr)) {
    *problem = "cannot open a display (is DISPLAY set?)";
    return nullptr;
  }
  return std::make_unique<GtkMainWindow>(options);
}

void ShowStartProblem(const std::string& problem) {
  std::fprintf(stderr, "Trovella: %s\n", problem.c_str());
}

}  // namespace oru::trovella
