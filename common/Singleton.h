#pragma once
// Process-wide objects (logger, variables, WOW64 switch, product detectors): made on first use,
// deleted through their virtual destructor when the process exits.

#include <cstdlib>

namespace Gathrix::Utils {

template <class T>
class Singleton {
public:
    static T& Instance() {
        if (instance == nullptr) {
            instance = new T();
            static bool registered = (std::atexit(&Singleton::Destroy), true);
            (void)registered;
        }
        return *instance;
    }

    // Deletes the object now; the next Instance() makes a fresh one. Tests use it to start clean.
    static void Destroy() {
        T* doomed = instance;
        instance = nullptr;
        delete doomed;
    }

    static bool Exists() { return instance != nullptr; }

    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

protected:
    Singleton() = default;
    virtual ~Singleton() = default;

private:
    static inline T* instance = nullptr;
};

} // namespace Gathrix::Utils
