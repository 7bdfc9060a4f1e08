#!/usr/bin/python3
"""A TCP proxy on 127.0.0.1 that passes every chunk on --delay-ms late, each way, keeping the
order and the rate (the chunks of one direction are late by the same time, not queued behind
one another's delay): a link with that one-way latency. It forwards to --target-port, writes its
own port to --port-file once it listens."""
import argparse
import asyncio
import os


async def pipe(reader, writer, delay):
    queue = asyncio.Queue()
    loop = asyncio.get_running_loop()

    async def send():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                writer.close()
                return
            writer.write(data)
            await writer.drain()

    sender = asyncio.create_task(send())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data))
            if not data:
                break
        await sender
    except (ConnectionError, asyncio.CancelledError):
        sender.cancel()
        writer.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--target-port", type=int, required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--delay-ms", type=float, default=12.5)
    args = parser.parse_args()
    delay = args.delay_ms / 1000.0

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", args.target_port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer, delay), pipe(server_reader, client_writer, delay),
                             return_exceptions=True)

    server = await asyncio.start_server(handle, "127.0.0.1", 0)
    with open(args.port_file + ".tmp", "w") as port_file:
        port_file.write(str(server.sockets[0].getsockname()[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
