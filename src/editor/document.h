// The designer's document, without a window: a layout being edited, its model, the selected
// object, every edit as one step that can be undone and redone, and the scene that shows it.
// Edits keep the layout one the device takes: positions stay on the screen, values pass the
// row's check (the window's and zotpx's messages), objects suit the model; a refused edit
// changes nothing and says why.
//
//   Document doc(LoadLayout("a.toml"));
//   doc.BeginDrag(3);
//   doc.DragMove(10, 0);        // as often as the pointer moves: the canvas follows
//   doc.EndDrag();              // one step of undo, one finished edit
//   doc.Undo();
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "editor/geometry.h"
#include "layout/layout.h"
#include "layout/layout_writer.h"
#include "scene/scene.h"

namespace zotpx::editor {

// A bitmap file the user picked for a row's slot, read and checked.
struct BitmapFile {
  std::string name;  // as the layout will name it: the file's own name
  Bytes bytes;
  LoadedBitmap picture;
};
struct BitmapChoice {
  std::optional<BitmapFile> file;
  // Else why not, as the window says it after the title (the undecodable file's message has
  // the path in it).
  std::string failure;
};
BitmapChoice ReadBitmapFor(const CommandRow& row, const std::string& path);

// Objects copied, with the bitmaps they name; each paste lands 8 pixels further on.
struct Clip {
  std::vector<LayoutObject> objects;
  std::map<std::string, Bytes> bitmaps;
  bool empty() const { return objects.empty(); }
};

struct EditResult {
  enum class Kind {
    Done,
    Unchanged,   // nothing to do (already there, already at the edge)
    ModelLacks,  // the model has no such object
    Locked,      // the object is locked against moving
    Refused,     // a value the device refuses: `message`, the title and the window's words
  };
  Kind kind = Kind::Done;
  std::string message;
  explicit operator bool() const { return kind == Kind::Done; }
};

class Document {
 public:
  explicit Document(DeviceModel model = DeviceModel::PA);
  // A layout as read (without errors). Its model is the one it names, else the one its objects
  // need (a crosshair: ZOT-PB), else ZOT-PA.
  explicit Document(Layout layout);

  const Layout& layout() const { return state_.layout; }
  const std::vector<LayoutObject>& objects() const { return state_.layout.objects; }
  DeviceModel model() const { return *state_.layout.model; }
  // The file it was opened from or last saved to; empty for a new one.
  const std::string& path() const { return state_.layout.name; }

  std::optional<std::size_t> selection() const { return state_.selection; }
  void Select(std::optional<std::size_t> object);

  // Changes since it was opened or last saved (undoing back to there counts as none).
  bool modified() const { return state_.id != saved_id_; }
  // The layout as the writer writes it; once written to `path`, SavedAs records it.
  LayoutFile File() const { return WriteLayout(state_.layout); }
  void SavedAs(const std::string& path);
  // Made elsewhere and on no disk yet (the window's session): unsaved until saved.
  void MarkUnsaved() { saved_id_ = kNeverSaved; }

  // Bumps with every change of the layout or of the setup: what is drawn is stale.
  std::uint64_t revision() const { return revision_; }

  // What the canvas shows under and beside the layout; not part of the layout, no undo.
  const SceneSetup& setup() const { return setup_; }
  void SetSetup(SceneSetup setup);
  // The layout on the screen, drawn again after each change.
  const Scene& scene() const;
  std::optional<std::size_t> ObjectAt(Point at) const;
  // Where the object lies: its values' box, else (texts, date, time) the box of its drawing,
  // else a pixel at its anchor; nothing for objects with no place (parameters, clock).
  std::optional<screen::ScreenBox> BoxOf(std::size_t object) const;

  // The first object the model does not have; nothing when it has them all.
  std::optional<std::size_t> FirstLacking(DeviceModel model) const;
  EditResult SetModel(DeviceModel model);

  // A new object of `row` with the window's defaults, placed at `at` (its top-left corner,
  // start or centre; an area or rectangle reaches from there to its default far corner), on top
  // of the others and selected; a bitmap's row takes its file.
  EditResult Add(const CommandRow& row, Point at, const BitmapFile* bitmap = nullptr);
  // A field's value from the word the command line and layout files give it (a list's
  // keyword or number, true or false, a number, a text, a moment).
  EditResult SetWord(std::size_t object, std::size_t field, const std::string& word);
  EditResult SetBitmap(std::size_t object, const BitmapFile& bitmap);
  EditResult SetName(std::size_t object, const std::string& name);
  EditResult SetHidden(std::size_t object, bool hidden);
  EditResult SetLocked(std::size_t object, bool locked);
  EditResult Remove(std::size_t object);
  // One step up (drawn later, over more) or down in the drawing order.
  EditResult Raise(std::size_t object);
  EditResult Lower(std::size_t object);
  // The arrow keys: the selection moved by (dx, dy), kept on the screen.
  EditResult Nudge(std::size_t object, int dx, int dy);
  Clip Copy(std::size_t object) const;
  // The clip's objects on top, selected, 8 pixels right and down of where they were copied
  // from (or last pasted); the clip moves on with them.
  EditResult Paste(Clip& clip);
  EditResult Duplicate(std::size_t object);

  // Dragging: the object moved by the pointer's way since BeginDrag, or one of its handles
  // dragged to a point, as often as the pointer moves; EndDrag makes it one step of undo.
  EditResult BeginDrag(std::size_t object);
  EditResult DragMove(int dx, int dy);
  EditResult DragHandle(Handle handle, Point to);
  // True when the drag changed the layout: a finished edit.
  bool EndDrag();
  bool dragging() const { return drag_.has_value(); }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  bool Undo();
  bool Redo();

 private:
  struct State {
    Layout layout;
    std::optional<std::size_t> selection;
    std::uint64_t id = 0;  // which edit made it
  };
  struct Drag {
    std::size_t object;
    Values start;
    screen::ScreenBox box;
    State before;
  };

  // The new state replaces the current one as one step of undo.
  void Commit(State next);
  State Next() const;
  EditResult Replace(std::size_t object, Values values);
  EditResult Insert(std::size_t at, LayoutObject object,
                    const std::map<std::string, Bytes>& bitmaps, State next);
  void Changed() { ++revision_; }

  State state_;
  std::vector<State> undo_, redo_;
  static constexpr std::uint64_t kNeverSaved = ~std::uint64_t{0};
  std::uint64_t next_id_ = 1;
  std::uint64_t saved_id_ = 0;
  std::uint64_t revision_ = 0;
  std::optional<Drag> drag_;
  SceneSetup setup_;
  mutable std::optional<Scene> scene_;
  mutable std::uint64_t scene_revision_ = 0;
};

// A bitmap's name made unique in the layout: "logo.bmp", else "logo-2.bmp" ... when another
// picture has that name already.
std::string BitmapName(const Layout& layout, const std::string& wanted, const Bytes& bytes);

}  // namespace zotpx::editor
