// What the library's entry points need to know about the objects it has handed out.
#pragma once

namespace tickwell {

// Live objects and server locks decide whether the library may be unloaded.
void ObjectCreated();
void ObjectDestroyed();
void ServerLock(bool lock);
bool ServerInUse();

}  // namespace tickwell
