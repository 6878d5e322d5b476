#!/usr/bin/env python3
"""A TCP proxy on the loopback that holds every chunk back by half a round trip in each
direction, as a distant server would; chunks keep their order and pile up behind each
other as on a real line, so a burst costs one round trip, not one per chunk.

    delayproxy.py LISTEN_PORT TARGET_PORT DELAY_FILE

DELAY_FILE holds the round trip in milliseconds; it is read again on SIGHUP, and the
new delay holds for every chunk from then on, on open connections too.
"""
import asyncio
import signal
import sys

listen_port, target_port, delay_file = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
one_way = 0.0


def read_delay():
    global one_way
    with open(delay_file) as f:
        one_way = float(f.read().strip() or 0) / 2000.0


async def carry(reader, writer):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def take():
        try:
            while True:
                data = await reader.read(1 << 16)
                queue.put_nowait((loop.time() + one_way, data))
                if not data:
                    return
        except (ConnectionError, OSError):
            queue.put_nowait((loop.time(), b""))

    async def give():
        try:
            while True:
                due, data = await queue.get()
                wait = due - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not data:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                writer.write(data)
                await writer.drain()
        except (ConnectionError, OSError):
            pass

    await asyncio.gather(take(), give())


async def serve(client_reader, client_writer):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target_port)
    except OSError:
        client_writer.close()
        return
    try:
        await asyncio.gather(carry(client_reader, server_writer), carry(server_reader, client_writer))
    finally:
        for w in (client_writer, server_writer):
            w.close()


async def main():
    read_delay()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGHUP, read_delay)
    # asyncio turns Nagle off on its TCP sockets, so nothing waits for more data.
    server = await asyncio.start_server(serve, "127.0.0.1", listen_port)
    print("listening", flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
