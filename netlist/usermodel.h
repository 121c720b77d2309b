#pragma once

namespace UndoFramework {

// Marks an object that stands for the user's debugging session to the graph
// undo framework; it carries no data and no operations of its own.
class UserModel
{
};

} // namespace UndoFramework
