#include "core/Random.h"

namespace {
thread_local CRandom t_threadRandom;
thread_local CRandom* t_current = nullptr;
} // namespace

CRandom& CRandom::Current() {
    return t_current ? *t_current : t_threadRandom;
}

CRandom::Scope::Scope(CRandom& random) : m_previous(t_current) {
    t_current = &random;
}

CRandom::Scope::~Scope() {
    t_current = m_previous;
}
