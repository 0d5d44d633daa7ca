#include "params/ControlUpdates.h"

namespace kdx {

namespace {

template <typename T>
const T* lastOf(const std::vector<T>& list, EditorId control)
{
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->control == control)
            return &*it;
    return nullptr;
}

template <typename T>
void appendAll(std::vector<T>& to, const std::vector<T>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

void ControlUpdates::append(const ControlUpdates& other)
{
    appendAll(visible, other.visible);
    appendAll(checked, other.checked);
    appendAll(indices, other.indices);
    appendAll(texts, other.texts);
    appendAll(cells, other.cells);
}

std::optional<bool> ControlUpdates::visibleOf(EditorId control) const
{
    if (const auto* f = lastOf(visible, control))
        return f->on;
    return std::nullopt;
}

std::optional<bool> ControlUpdates::checkedOf(EditorId control) const
{
    if (const auto* f = lastOf(checked, control))
        return f->on;
    return std::nullopt;
}

std::optional<int> ControlUpdates::indexOf(EditorId control) const
{
    if (const auto* i = lastOf(indices, control))
        return i->index;
    return std::nullopt;
}

std::optional<std::string> ControlUpdates::textOf(EditorId control) const
{
    if (const auto* t = lastOf(texts, control))
        return t->text;
    return std::nullopt;
}

std::optional<std::string> ControlUpdates::cellOf(EditorId grid, int column, int row) const
{
    for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if (it->grid == grid && it->column == column && it->row == row)
            return it->text;
    return std::nullopt;
}

} // namespace kdx
