"""The residual history of a solve as a picture."""


def plot_history(result, ax=None):
    """Draws result.history on a log scale with the relative tolerance as a
    line, into ax (a new figure when None), and returns the axes. Without
    matplotlib it says how to install it and returns None."""
    try:
        import matplotlib.pyplot as plt
    except ImportError:
        print("plot_history needs matplotlib: pip install matplotlib")
        return None
    if ax is None:
        ax = plt.figure().gca()
    ax.semilogy(range(len(result.history)), result.history, marker=".", label="|r| / |r0|")
    ax.axhline(result.rtol, color="grey", linestyle="--", label=f"tolerance {result.rtol:g}")
    ax.set_xlabel("iteration")
    ax.set_ylabel("relative residual")
    ax.set_title(result.summary)
    ax.legend()
    return ax
