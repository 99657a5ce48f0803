#pragma once

// Where two bodies touch (or a body and the floor), in the terms the
// solver needs: the touching point seen from each body's centre, the
// direction that pushes the first body out of the second, and how far and
// how fast they approach along it when the contact was found. The solver
// moves and turns each body as a whole, so a push on one point never bends
// a letter.
struct Contact {
    double r1x;
    double r1y;
    double r2x;
    double r2y;
    double nx;
    double ny;
    double gap;          // along n; negative while overlapping
    double normalSpeed;  // of the first body's point relative to the second's, along n
    double tangentSpeed; // and along (-ny, nx)
    double normalMass;   // 1 / the inverse masses felt along n
    double tangentMass;
    double maxPush;      // at most this much a pass (an old overlap comes apart slowly)
    double bounce;       // speed along n wanted after the contact (the floor's bounce)
    double normalImpulse;
    double tangentImpulse;
    // Which point met which edge, so that the next tick's contact between
    // the same two can start from this one's impulses.
    int point;
    int edge;
};
