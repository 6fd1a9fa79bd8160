#pragma once

// Polymorphic root of the utility and model classes. The class name doubles as the
// run-time type test and as the default sort key.
class UCCollectable {
public:
    virtual ~UCCollectable() = default;
    virtual const char* GetClassName() const { return "UCCollectable"; }
};
