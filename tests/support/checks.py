"""What the Python tests share: each check printed as it is made, and the status they end with."""
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def outcome():
    """Prints how many checks failed; the test's exit status."""
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0
