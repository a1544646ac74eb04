"""A tally of a test script's expectations: each failure is printed as it
happens, and the script ends by the count of both."""


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = []

    def expect(self, condition, what, detail=""):
        """Counts the expectation; a failure is printed with its detail (what
        was found, over the lines that follow), if any."""
        if condition:
            self.passed += 1
        else:
            self.failed.append(what)
            print(f"FAILED: {what}\n{detail}" if detail else f"FAILED: {what}", flush=True)
        return condition

    def status(self):
        """Prints the count of both; the script's exit status."""
        print(f"{self.passed} passed, {len(self.failed)} failed")
        return 1 if self.failed else 0
