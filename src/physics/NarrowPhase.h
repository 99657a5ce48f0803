#pragma once

#include <span>
#include <vector>

#include "physics/CollisionShape.h"
#include "physics/Contact.h"
#include "physics/ContactMemory.h"

// The narrow phase: where two bodies whose boxes meet touch. A point of a
// body's outline (a probe) found inside the other body's triangles, or
// whose path this tick crossed its outline, makes a contact with the
// outline edge it came in by, or the nearest one when it was inside
// already; between bodies kept in shape, a contact of last tick whose
// point has come out since, but lies within kContactSkin of its edge,
// holds on. Bodies found inside one another from before this tick make no
// contacts: they are parted as wholes.

// What meeting two bodies found besides their contacts.
struct Meeting {
    bool overlapped = false; // inside one another from before this tick
    bool wake = false;       // a sleeper among them struck hard enough to wake
};

// Appends the contacts of `first` and `second` to `out`, at most a few, the
// deepest; each contact's first side belongs to `first`. `inside`: the two
// were found inside one another last tick; `last`: their contacts then.
Meeting meetBodies(const CollisionShape& first, const CollisionShape& second, bool inside,
                   std::span<const ContactMemory::Remembered> last, std::vector<Contact>& out);

// The contact of particle `i` of `shape` with the floor at height `floor`.
Contact floorContact(const CollisionShape& shape, std::size_t i, double floor);
// Particle i of `shape` held back by a side of the window at x = `side`,
// pushed back in along `nx` (1 at the left side, -1 at the right).
Contact sideContact(const CollisionShape& shape, std::size_t i, double side, double nx);
// Particle i of `shape`, above the top of the window, stopped from going
// further up; nothing pushes it back down but its weight.
Contact ceilingContact(const CollisionShape& shape, std::size_t i);
