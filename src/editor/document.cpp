#include "editor/document.h"

#include <algorithm>

#include "base/input_file.h"
#include "graphics/bitmap_decode.h"

namespace zotpx::editor {

namespace {

// Past this many steps the oldest is forgotten.
constexpr std::size_t kUndoSteps = 200;
// How far a paste lands from what it copies.
constexpr int kPasteOffset = 8;

std::string FileNameOf(const std::string& path) {
  return path.substr(path.find_last_of("/\\") + 1);
}

EditResult Kind(EditResult::Kind kind) {
  return {kind, {}};
}

EditResult Refused(const CommandRow& row, const std::string& message) {
  return {EditResult::Kind::Refused, row.title + message};
}

// The fields that say where an object is or how big: what a lock keeps.
bool Places(const FieldDef& field) {
  return field.kind == FieldKind::Coordinate || field.name == "length" || field.name == "radius";
}

DeviceModel ModelNeeded(const Layout& layout) {
  if (layout.model) return *layout.model;
  for (const LayoutObject& object : layout.objects)
    if (!object.values.row().ForModel(DeviceModel::PA)) return DeviceModel::PB;
  return DeviceModel::PA;
}

// The bitmap file an object's picture comes from, when it has one.
const std::string* BitmapOf(const LayoutObject& object) {
  const CommandRow& row = object.values.row();
  const std::size_t i = row.IndexOf("file");
  return i < row.fields.size() ? &object.values.at(i).text : nullptr;
}

}  // namespace

BitmapChoice ReadBitmapFor(const CommandRow& row, const std::string& path) {
  BitmapChoice choice;
  InputFile file(path);
  std::optional<Bytes> bytes = file.is_open() ? file.ReadAll() : std::nullopt;
  if (!bytes) {
    choice.failure = kBitmapCannotOpenText;
    return choice;
  }
  BitmapLoad load = LoadBitmapBytes(*bytes, *row.picture_limits);
  if (load.status == BitmapFileStatus::CannotDecode)
    choice.failure = kBitmapCannotDecodeText + path;
  else if (load.status != BitmapFileStatus::Ok)
    choice.failure = BitmapFileMessage(load.status);
  else
    choice.file = BitmapFile{FileNameOf(path), std::move(*bytes), std::move(load.bitmap)};
  return choice;
}

std::string BitmapName(const Layout& layout, const std::string& wanted, const Bytes& bytes) {
  const std::size_t dot = std::min(wanted.rfind('.'), wanted.size());
  std::string name = wanted;
  for (int n = 2;; ++n) {
    const auto taken = layout.bitmaps.find(name);
    if (taken == layout.bitmaps.end() || taken->second == bytes) return name;
    name = wanted.substr(0, dot) + "-" + std::to_string(n) + wanted.substr(dot);
  }
}

Document::Document(DeviceModel model) {
  state_.layout.model = model;
}

Document::Document(Layout layout) {
  layout.model = ModelNeeded(layout);
  state_.layout = std::move(layout);
}

void Document::Select(std::optional<std::size_t> object) {
  if (object && *object >= objects().size()) object.reset();
  state_.selection = object;
}

void Document::SavedAs(const std::string& path) {
  state_.layout.name = path;
  saved_id_ = state_.id;
}

void Document::SetSetup(SceneSetup setup) {
  setup_ = std::move(setup);
  Changed();
}

const Scene& Document::scene() const {
  if (!scene_ || scene_revision_ != revision_) {
    scene_.reset();  // one screen model at a time
    scene_.emplace(state_.layout, setup_);
    scene_revision_ = revision_;
  }
  return *scene_;
}

std::optional<std::size_t> Document::ObjectAt(Point at) const {
  return scene().ObjectAt(at.x, at.y);
}

std::optional<screen::ScreenBox> Document::BoxOf(std::size_t object) const {
  const Values& values = objects()[object].values;
  if (std::optional<screen::ScreenBox> box = ValueBox(values)) return box;
  if (GeometryOf(values.row()) == Geometry::None) return std::nullopt;
  const Point anchor = AnchorOf(values);
  // The part drawn from the anchor: the crosshair's read-out rather than its shape.
  const std::vector<screen::ScreenBox> parts = scene().PartsOf(object);
  for (const screen::ScreenBox& part : parts)
    if (part.left == anchor.x && part.top == anchor.y) return part;
  if (!parts.empty()) return parts.front();
  return screen::ScreenBox{anchor.x, anchor.y, 1, 1};
}

std::optional<std::size_t> Document::FirstLacking(DeviceModel model) const {
  for (std::size_t i = 0; i < objects().size(); ++i)
    if (!objects()[i].values.row().ForModel(model)) return i;
  return std::nullopt;
}

EditResult Document::SetModel(DeviceModel model) {
  if (model == this->model()) return Kind(EditResult::Kind::Unchanged);
  if (FirstLacking(model)) return Kind(EditResult::Kind::ModelLacks);
  State next = Next();
  next.layout.model = model;
  Commit(std::move(next));
  return {};
}

Document::State Document::Next() const {
  State next = state_;
  next.id = 0;
  return next;
}

void Document::Commit(State next) {
  next.id = next_id_++;
  undo_.push_back(std::move(state_));
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
  state_ = std::move(next);
  Changed();
}

EditResult Document::Replace(std::size_t object, Values values) {
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  if (values == objects()[object].values) return Kind(EditResult::Kind::Unchanged);
  const CommandRow& row = values.row();
  if (row.check)
    if (const std::optional<std::string> failure = row.check(values)) return Refused(row, *failure);
  State next = Next();
  next.layout.objects[object].values = std::move(values);
  Commit(std::move(next));
  return {};
}

EditResult Document::Insert(std::size_t at, LayoutObject object,
                            const std::map<std::string, Bytes>& bitmaps, State next) {
  const CommandRow& row = object.values.row();
  if (!row.ForModel(model())) return Kind(EditResult::Kind::ModelLacks);
  if (row.check)
    if (const std::optional<std::string> failure = row.check(object.values))
      return Refused(row, *failure);
  // A picture keeps its file's name unless the layout has another picture by that name.
  if (const std::string* name = BitmapOf(object); name && bitmaps.count(*name)) {
    const Bytes& bytes = bitmaps.at(*name);
    const std::string unique = BitmapName(next.layout, *name, bytes);
    next.layout.bitmaps[unique] = bytes;
    object.values["file"].text = unique;
  }
  object.line = 0;
  next.layout.objects.insert(next.layout.objects.begin() + static_cast<std::ptrdiff_t>(at),
                             std::move(object));
  next.selection = at;
  Commit(std::move(next));
  return {};
}

EditResult Document::Add(const CommandRow& row, Point at, const BitmapFile* bitmap) {
  Values values(row);
  std::map<std::string, Bytes> bitmaps;
  if (bitmap && row.Field("file")) {
    values["file"].text = bitmap->name;
    values["file"].picture = bitmap->picture;
    bitmaps[bitmap->name] = bitmap->bytes;
  }
  if (GeometryOf(row) == Geometry::Corners) {
    // From the click to the window's far corner: an area or rectangle the size of the screen
    // by default would otherwise stay where it is, whatever the click.
    SetNumber(values, "left", std::min(at.x, FieldNumber(values, "right")));
    SetNumber(values, "top", std::min(at.y, FieldNumber(values, "bottom")));
  } else if (GeometryOf(row) != Geometry::None) {
    const Point anchor = AnchorOf(values);
    const screen::ScreenBox box =
        ValueBox(values).value_or(screen::ScreenBox{anchor.x, anchor.y, 1, 1});
    // A circle's anchor is its centre, the others' their box's corner.
    if (std::optional<Values> placed = MovedBy(values, box, at.x - anchor.x, at.y - anchor.y))
      values = std::move(*placed);
  }
  const std::size_t index = objects().size();
  EditResult result = Insert(index, {std::move(values), 0, {}, false, false}, bitmaps, Next());
  if (!result || ValueBox(objects()[index].values) || GeometryOf(row) == Geometry::None)
    return result;
  // A text's size is known once drawn: what runs off the screen is brought back on, in the
  // same step.
  if (std::optional<Values> inside = MovedBy(objects()[index].values, *BoxOf(index), 0, 0)) {
    state_.layout.objects[index].values = std::move(*inside);
    Changed();
  }
  return result;
}

EditResult Document::SetWord(std::size_t object, std::size_t field, const std::string& word) {
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  const LayoutObject& target = objects()[object];
  const CommandRow& row = target.values.row();
  if (field >= row.fields.size()) return Kind(EditResult::Kind::Unchanged);
  Values values = target.values;
  if (const std::optional<std::string> failure =
          SetFieldWord(row.fields[field], values.at(field), word)) {
    // The window's words where its check says it (a moment that is no date), else the word's.
    Values typed = values;
    typed.at(field).text = word;
    const std::optional<std::string> check =
        row.fields[field].kind != FieldKind::Text && row.check ? row.check(typed) : std::nullopt;
    return Refused(row, check.value_or(*failure));
  }
  if (values == target.values) return Kind(EditResult::Kind::Unchanged);
  if (target.locked && Places(row.fields[field])) return Kind(EditResult::Kind::Locked);
  return Replace(object, std::move(values));
}

EditResult Document::SetBitmap(std::size_t object, const BitmapFile& bitmap) {
  if (object >= objects().size() || !objects()[object].values.row().Field("file"))
    return Kind(EditResult::Kind::Unchanged);
  LayoutObject changed = objects()[object];
  const CommandRow& row = changed.values.row();
  const std::string name = BitmapName(layout(), bitmap.name, bitmap.bytes);
  changed.values["file"].text = name;
  changed.values["file"].picture = bitmap.picture;
  if (changed.values == objects()[object].values) return Kind(EditResult::Kind::Unchanged);
  if (row.check)
    if (const std::optional<std::string> failure = row.check(changed.values))
      return Refused(row, *failure);
  State next = Next();
  next.layout.bitmaps[name] = bitmap.bytes;
  next.layout.objects[object] = std::move(changed);
  Commit(std::move(next));
  return {};
}

EditResult Document::SetName(std::size_t object, const std::string& name) {
  if (object >= objects().size() || objects()[object].name == name)
    return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  next.layout.objects[object].name = name;
  Commit(std::move(next));
  return {};
}

EditResult Document::SetHidden(std::size_t object, bool hidden) {
  if (object >= objects().size() || objects()[object].hidden == hidden)
    return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  next.layout.objects[object].hidden = hidden;
  Commit(std::move(next));
  return {};
}

EditResult Document::SetLocked(std::size_t object, bool locked) {
  if (object >= objects().size() || objects()[object].locked == locked)
    return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  next.layout.objects[object].locked = locked;
  Commit(std::move(next));
  return {};
}

EditResult Document::Remove(std::size_t object) {
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  std::vector<LayoutObject>& list = next.layout.objects;
  const std::string* bitmap = BitmapOf(list[object]);
  const std::string name = bitmap ? *bitmap : std::string();
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(object));
  // A picture no object names any more is not kept (nor written).
  if (!name.empty() && std::none_of(list.begin(), list.end(), [&name](const LayoutObject& o) {
        const std::string* other = BitmapOf(o);
        return other && *other == name;
      }))
    next.layout.bitmaps.erase(name);
  if (list.empty())
    next.selection.reset();
  else
    next.selection = std::min(object, list.size() - 1);
  Commit(std::move(next));
  return {};
}

EditResult Document::Raise(std::size_t object) {
  if (object + 1 >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  std::swap(next.layout.objects[object], next.layout.objects[object + 1]);
  next.selection = object + 1;
  Commit(std::move(next));
  return {};
}

EditResult Document::Lower(std::size_t object) {
  if (object == 0 || object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  State next = Next();
  std::swap(next.layout.objects[object], next.layout.objects[object - 1]);
  next.selection = object - 1;
  Commit(std::move(next));
  return {};
}

EditResult Document::Nudge(std::size_t object, int dx, int dy) {
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  if (objects()[object].locked) return Kind(EditResult::Kind::Locked);
  const std::optional<screen::ScreenBox> box = BoxOf(object);
  if (!box) return Kind(EditResult::Kind::Unchanged);
  std::optional<Values> moved = MovedBy(objects()[object].values, *box, dx, dy);
  if (!moved) return Kind(EditResult::Kind::Unchanged);
  return Replace(object, std::move(*moved));
}

Clip Document::Copy(std::size_t object) const {
  Clip clip;
  if (object >= objects().size()) return clip;
  clip.objects.push_back(objects()[object]);
  if (const std::string* name = BitmapOf(objects()[object]))
    if (const auto bitmap = layout().bitmaps.find(*name); bitmap != layout().bitmaps.end())
      clip.bitmaps.insert(*bitmap);
  return clip;
}

EditResult Document::Paste(Clip& clip) {
  if (clip.empty()) return Kind(EditResult::Kind::Unchanged);
  for (LayoutObject& object : clip.objects) {
    const Point anchor = AnchorOf(object.values);
    const screen::ScreenBox box =
        ValueBox(object.values).value_or(screen::ScreenBox{anchor.x, anchor.y, 1, 1});
    if (std::optional<Values> moved = MovedBy(object.values, box, kPasteOffset, kPasteOffset))
      object.values = std::move(*moved);
  }
  State next = Next();
  // All of them or none: each lands on top, the last one selected.
  for (const LayoutObject& object : clip.objects) {
    if (!object.values.row().ForModel(model())) return Kind(EditResult::Kind::ModelLacks);
    LayoutObject copy = object;
    copy.locked = false;
    copy.line = 0;
    if (const std::string* name = BitmapOf(copy); name && clip.bitmaps.count(*name)) {
      const std::string unique = BitmapName(next.layout, *name, clip.bitmaps.at(*name));
      next.layout.bitmaps[unique] = clip.bitmaps.at(*name);
      copy.values["file"].text = unique;
    }
    next.layout.objects.push_back(std::move(copy));
    next.selection = next.layout.objects.size() - 1;
  }
  Commit(std::move(next));
  return {};
}

EditResult Document::Duplicate(std::size_t object) {
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  Clip clip = Copy(object);
  return Paste(clip);
}

EditResult Document::BeginDrag(std::size_t object) {
  drag_.reset();
  if (object >= objects().size()) return Kind(EditResult::Kind::Unchanged);
  if (objects()[object].locked) return Kind(EditResult::Kind::Locked);
  const std::optional<screen::ScreenBox> box = BoxOf(object);
  if (!box) return Kind(EditResult::Kind::Unchanged);
  drag_ = Drag{object, objects()[object].values, *box, state_};
  return {};
}

EditResult Document::DragMove(int dx, int dy) {
  if (!drag_) return Kind(EditResult::Kind::Unchanged);
  std::optional<Values> moved = MovedBy(drag_->start, drag_->box, dx, dy);
  if (!moved) return Kind(EditResult::Kind::Unchanged);
  if (*moved == objects()[drag_->object].values) return Kind(EditResult::Kind::Unchanged);
  state_.layout.objects[drag_->object].values = std::move(*moved);
  Changed();
  return {};
}

EditResult Document::DragHandle(Handle handle, Point to) {
  if (!drag_) return Kind(EditResult::Kind::Unchanged);
  std::optional<Values> sized = Resized(drag_->start, handle, to.x, to.y);
  if (!sized) return Kind(EditResult::Kind::Unchanged);
  if (*sized == objects()[drag_->object].values) return Kind(EditResult::Kind::Unchanged);
  state_.layout.objects[drag_->object].values = std::move(*sized);
  Changed();
  return {};
}

bool Document::EndDrag() {
  if (!drag_) return false;
  Drag drag = std::move(*drag_);
  drag_.reset();
  if (objects()[drag.object].values == drag.start) return false;
  State next = std::move(state_);
  state_ = std::move(drag.before);
  next.selection = drag.object;
  Commit(std::move(next));
  return true;
}

bool Document::Undo() {
  if (undo_.empty() || drag_) return false;
  redo_.push_back(std::move(state_));
  state_ = std::move(undo_.back());
  undo_.pop_back();
  Changed();
  return true;
}

bool Document::Redo() {
  if (redo_.empty() || drag_) return false;
  undo_.push_back(std::move(state_));
  state_ = std::move(redo_.back());
  redo_.pop_back();
  Changed();
  return true;
}

}  // namespace zotpx::editor
