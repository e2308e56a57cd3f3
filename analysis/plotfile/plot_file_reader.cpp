// Implemented with the plot-file writer.
