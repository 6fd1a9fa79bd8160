#pragma once

#include <functional>
#include <string>

// Checks of what a user may not write cannot run as root, who may write anything. These run a
// check in a child process, as nobody when the tests run as root.

// What AsOrdinaryUser gives when the child could not become nobody, or did not exit.
constexpr int kNotOrdinaryUser = 101;
constexpr int kChildKilled = 102;

// Runs check in a child process and gives the value it returned. The child ends with _exit,
// so it runs no destructors of the test's objects.
int AsOrdinaryUser(const std::function<int()>& check);

// Lets nobody make and replace files in folder (a test's own temporary one) when the tests run
// as root; does nothing otherwise.
void OpenToOrdinaryUser(const std::string& folder);
