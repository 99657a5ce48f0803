#include "bodies/SceneRandom.h"

int nextSceneRandom()
{
    static RandomSequence sequence;
    return sequence.next();
}
